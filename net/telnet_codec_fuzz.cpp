// libFuzzer target for the telnet codec: any byte stream, cut anywhere, must decode to the
// same data and replies as when fed whole, and never produce more data than it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/telnet_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses where the stream is cut.
  const std::size_t cut = bytes[0] % size;
  const std::string_view stream(reinterpret_cast<const char*>(bytes + 1), size - 1);

  kestrel::net::TelnetClientCodec whole("dumb"), split("dumb");
  std::string whole_data, whole_replies, split_data, split_replies;
  whole.Receive(stream, whole_data, whole_replies);
  split.Receive(stream.substr(0, cut), split_data, split_replies);
  split.Receive(stream.substr(std::min(cut, stream.size())), split_data, split_replies);

  if (whole_data != split_data || whole_replies != split_replies) std::abort();
  if (whole_data.size() > stream.size()) std::abort();
  // Every reply is a 3-byte option answer or the terminal-type sub-negotiation.
  if (whole_replies.size() > 3 * stream.size() + 16) std::abort();
  return 0;
}
