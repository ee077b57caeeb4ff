#include "net/telnet_codec.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/test_data.h"

namespace kestrel::net {
namespace {

// The string between the first and the last quote of a line, C escapes undone.
std::string Unquote(const std::string& line) {
  const std::size_t open = line.find('"');
  const std::string body = line.substr(open + 1, line.rfind('"') - open - 1);
  std::string out;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] != '\\') {
      out += body[i];
    } else if (const char c = body.at(++i); c == 'x') {
      out += static_cast<char>(std::stoi(body.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
  }
  return out;
}

// The cases of tests/data/net/telnet-golden.txt, each fed as its reads, whole and byte by byte.
TEST(TelnetClientCodec, GoldenCorpusWholeSplitAndByteByByte) {
  const auto cases = kestrel::testing::TestDataSections("net/telnet-golden.txt");
  ASSERT_GE(cases.size(), 10u);
  for (const auto& [name, text] : cases) {
    std::string type = "dumb", all, data, replies;
    std::vector<std::string> reads;
    for (const std::string& line : kestrel::testing::SplitAt(text, "\r\n")) {
      if (line.starts_with("type ")) type = Unquote(line);
      if (line.starts_with("in ")) all += reads.emplace_back(Unquote(line));
      if (line.starts_with("data ")) data = Unquote(line);
      if (line.starts_with("replies ")) replies = Unquote(line);
    }
    std::vector<std::string> bytes;
    for (char c : all) bytes.emplace_back(1, c);
    for (const auto& fed : {reads, {all}, bytes}) {
      TelnetClientCodec codec(type);
      std::string got_data, got_replies;
      for (const auto& read : fed) codec.Receive(read, got_data, got_replies);
      EXPECT_EQ(got_data, data) << name << " in " << fed.size();
      EXPECT_EQ(got_replies, replies) << name << " in " << fed.size();
    }
  }
}

}  // namespace
}  // namespace kestrel::net
