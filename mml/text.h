#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel::mml {

// Text from the network that is shown, saved or printed: control characters other than CR, LF
// and TAB become "?", so that an ESC sequence in a printout never acts on a terminal or a
// report reader. Bytes from 0x80 up are kept (names and texts may be UTF-8).
std::string Printable(std::string_view text);
// One line of such text for a terminal: also a lone CR inside it becomes "?", so that it cannot
// make the terminal write over what was printed. (A lone LF is a line feed there, as the
// relocation report uses it.)
std::string PrintableLine(std::string_view line);

// Hides a secret (the gateway password) in a stream of received text, also when the stream
// cuts it in two: a tail that could be the start of the secret is held back until the next
// piece shows whether it is. Every occurrence becomes as many "*" as the secret is long.
class SecretMask {
 public:
  explicit SecretMask(std::string secret = {}) : secret_(std::move(secret)) {}
  void SetSecret(std::string secret);

  // The next piece of the stream, masked; what it returns may lag behind the input by less
  // than the secret's length.
  std::string Pass(std::string_view piece);
  // What is held back, when the stream ends.
  std::string Flush();

 private:
  std::string secret_;
  std::string held_;
};

// `text` with every occurrence of `secret` replaced by asterisks (nothing for an empty secret).
std::string Masked(std::string_view text, std::string_view secret);
// The length of the longest tail of `text` that is a proper start of `secret`: what must wait
// for the next piece of a stream before it can be masked or let through (0: nothing).
std::size_t SecretStartAtEnd(std::string_view text, std::string_view secret);

// `text` in upper case (ASCII letters; MML names and commands are ASCII).
std::string Upper(std::string_view text);
// The items one after another, `separator` between them.
std::string Joined(const std::vector<std::string>& items, std::string_view separator);

}  // namespace kestrel::mml
