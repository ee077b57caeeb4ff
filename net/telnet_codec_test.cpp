#include "net/telnet_codec.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <vector>

namespace kestrel::net {
namespace {

using namespace std::string_literals;

struct GoldenCase {
  std::string name;
  std::vector<std::string> reads;
  std::string data, replies;
};

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

std::vector<GoldenCase> LoadGolden() {
  std::ifstream file(KESTREL_TELNET_GOLDEN);
  if (!file) throw std::runtime_error("cannot open " + std::string(KESTREL_TELNET_GOLDEN));
  std::vector<GoldenCase> cases;
  for (std::string line; std::getline(file, line);) {
    if (line.starts_with("== ")) cases.push_back({line.substr(3), {}, {}, {}});
    if (line.starts_with("in ")) cases.back().reads.push_back(Unquote(line));
    if (line.starts_with("data ")) cases.back().data = Unquote(line);
    if (line.starts_with("replies ")) cases.back().replies = Unquote(line);
  }
  return cases;
}

TEST(TelnetClientCodec, GoldenCorpusWholeSplitAndByteByByte) {
  const auto cases = LoadGolden();
  ASSERT_GE(cases.size(), 10u);
  for (const auto& golden : cases) {
    std::string all;
    for (const auto& read : golden.reads) all += read;
    std::vector<std::string> bytes;
    for (char c : all) bytes.emplace_back(1, c);
    for (const auto& reads : {golden.reads, {all}, bytes}) {
      TelnetClientCodec codec("dumb");
      std::string data, replies;
      for (const auto& read : reads) codec.Receive(read, data, replies);
      EXPECT_EQ(data, golden.data) << golden.name << " in " << reads.size();
      EXPECT_EQ(replies, golden.replies) << golden.name << " in " << reads.size();
    }
  }
}

// Its own terminal type, cut to the option's limit; three answers a connection however the
// requests come (withdrawing the option and agreeing it again starts no new count).
TEST(TelnetClientCodec, TerminalTypeIsItsOwnCutToTheLimitAndAnsweredThreeTimes) {
  const std::string request = "\xff\xfa\x18\x01\xff\xf0";
  for (const std::string& type : {"ansi"s, std::string(100, 'x')}) {
    TelnetClientCodec codec(type);
    const std::string answer =
        "\xff\xfa\x18\x00"s + type.substr(0, TelnetClientCodec::kMaxTerminalType) + "\xff\xf0";
    std::string data, replies;
    codec.Receive("\xff\xfd\x18", data, replies);
    ASSERT_EQ(replies, "\xff\xfb\x18");
    std::size_t answers = 0;
    for (int i = 0; i < 1000; ++i) {
      replies.clear();
      codec.Receive(request + (i % 2 == 0 ? "\xff\xfe\x18\xff\xfd\x18" : "") + "x", data, replies);
      for (std::size_t at = replies.find(answer); at != std::string::npos;
           at = replies.find(answer, at + 1))
        ++answers;
    }
    EXPECT_EQ(answers, static_cast<std::size_t>(TelnetClientCodec::kMaxTerminalTypeAnswers));
    EXPECT_EQ(data, std::string(1000, 'x'));
  }
}

TEST(TelnetClientCodec, LinesDoubleIacAndEndInCrLf) {
  EXPECT_EQ(TelnetClientCodec::EncodeLine(""), "\r\n");
  EXPECT_EQ(TelnetClientCodec::EncodeLine("a\x04\xff"), "a\x04\xff\xff\r\n");
}

}  // namespace
}  // namespace kestrel::net
