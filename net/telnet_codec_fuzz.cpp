// libFuzzer target for the telnet codec: any byte stream, cut anywhere, must decode to the
// same data and replies as when fed whole, never produce more data than it was given, and
// never answer with more than it was given apart from the few terminal-type answers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/telnet_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using kestrel::net::TelnetClientCodec;
  if (size == 0) return 0;
  // The first byte chooses where the stream is cut.
  const std::size_t cut = bytes[0] % size;
  const std::string_view stream(reinterpret_cast<const char*>(bytes + 1), size - 1);

  TelnetClientCodec whole("dumb"), split("dumb");
  std::string whole_data, whole_replies, split_data, split_replies;
  whole.Receive(stream, whole_data, whole_replies);
  split.Receive(stream.substr(0, cut), split_data, split_replies);
  split.Receive(stream.substr(std::min(cut, stream.size())), split_data, split_replies);

  if (whole_data != split_data || whole_replies != split_replies) std::abort();
  if (whole_data.size() > stream.size()) std::abort();
  // Option answers are 3 bytes for a 3-byte request, and a sub-negotiation in the replies
  // can only be the terminal type, sent a few times per connection at most.
  const std::string_view terminal_type_answer(
      "\xff\xfa\x18\x00"
      "dumb\xff\xf0",
      10);
  std::size_t answers = 0;
  for (std::size_t at = whole_replies.find("\xff\xfa"); at != std::string::npos;
       at = whole_replies.find("\xff\xfa", at + 1)) {
    if (std::string_view(whole_replies).substr(at, terminal_type_answer.size()) !=
        terminal_type_answer)
      std::abort();
    ++answers;
  }
  if (answers > TelnetClientCodec::kMaxTerminalTypeAnswers) std::abort();
  if (whole_replies.size() > stream.size() + answers * terminal_type_answer.size()) std::abort();
  return 0;
}
