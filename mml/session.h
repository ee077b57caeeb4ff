#pragma once

#include <string>
#include <string_view>

#include "controls/memo.h"
#include "mml/properties_form.h"
#include "mml/telnet_client.h"

namespace kestrel::mml {

// The step of a session that stands at the MML prompt, ready for its next command.
inline constexpr std::string_view kReady = "NOVBETI";

// The parts of one page's session. Every page owns its own client, printout buffer,
// attached flag and step; this only points at them so that the common steps are written once.
struct Session {
  TelnetClient& telnet;
  controls::Memo& buffer;
  controls::Memo* log;  // the page's visible log pane, if it has one
  bool& attached;
  std::string& step;
  const PropertiesForm& properties;
};

struct ReceiveResult {
  // "NE:" was asked for but the page had no element to name, so nothing was sent.
  bool element_missing = false;
};

// The start of every page's data-available handler: append the chunk to the buffer, add it
// to the log pane, and while not attached answer the login prompts found in the chunk
// itself ("User", "Password", "NE:", then "<" which attaches), each test independent of the
// others and in that order. A prompt split over two chunks is not recognised.
ReceiveResult ReceiveChunk(const Session& session, std::string_view chunk,
                           std::string_view element);

// The send step: clear the buffer so that it collects exactly this command's printout, make
// the command the step, and send it.
void SendCommand(const Session& session, std::string_view command);

}  // namespace kestrel::mml
