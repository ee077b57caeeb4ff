#include "mml/session.h"

namespace kestrel::mml {

ReceiveResult ReceiveChunk(const Session& session, std::string_view chunk,
                           std::string_view element) {
  ReceiveResult result;
  session.buffer.Append(chunk);
  if (session.log != nullptr) session.log->AddLine(chunk);
  if (session.attached) return result;

  if (chunk.find("User") != std::string_view::npos) {
    session.telnet.WriteLn(session.properties.UserEdit.Text());
  }
  if (chunk.find("Password") != std::string_view::npos) {
    session.telnet.WriteLn(session.properties.PasswordEdit.Text());
  }
  if (chunk.find("NE:") != std::string_view::npos) {
    if (element.empty()) {
      result.element_missing = true;
    } else {
      session.telnet.WriteLn(std::string("NE=").append(element));
    }
  }
  if (chunk.find('<') != std::string_view::npos) {
    session.buffer.Clear();
    session.attached = true;
    session.step = kReady;
  }
  return result;
}

void SendCommand(const Session& session, std::string_view command) {
  session.buffer.Clear();
  session.step = command;
  session.telnet.WriteLn(command);
}

}  // namespace kestrel::mml
