#include "net/telnet_codec.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace kestrel::net {
namespace {

using namespace std::string_literals;

struct GoldenCase {
  std::string name;
  std::vector<std::string> reads;
  std::string data;
  std::string replies;
};

// Reads a quoted string with C escapes.
std::string Unquote(const std::string& line, std::size_t from) {
  const std::size_t open = line.find('"', from);
  if (open == std::string::npos) throw std::runtime_error("no string in: " + line);
  std::string out;
  for (std::size_t i = open + 1; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') return out;
    if (c != '\\') {
      out += c;
      continue;
    }
    c = line.at(++i);
    switch (c) {
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 'x':
        out += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
        i += 2;
        break;
      default:
        out += c;
    }
  }
  throw std::runtime_error("unterminated string in: " + line);
}

std::vector<GoldenCase> LoadGolden() {
  std::ifstream file(KESTREL_TELNET_GOLDEN);
  if (!file) throw std::runtime_error("cannot open " + std::string(KESTREL_TELNET_GOLDEN));
  std::vector<GoldenCase> cases;
  for (std::string line; std::getline(file, line);) {
    if (line.starts_with("== ")) {
      cases.push_back({line.substr(3), {}, {}, {}});
    } else if (line.starts_with("in ")) {
      cases.back().reads.push_back(Unquote(line, 3));
    } else if (line.starts_with("data ")) {
      cases.back().data = Unquote(line, 5);
    } else if (line.starts_with("replies ")) {
      cases.back().replies = Unquote(line, 8);
    }
  }
  return cases;
}

std::string Escaped(const std::string& bytes) {
  std::ostringstream out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7f) {
      out << c;
    } else {
      out << "\\x" << std::hex << static_cast<int>(c) << std::dec;
    }
  }
  return out.str();
}

TEST(TelnetClientCodec, GoldenCorpusWholeSplitAndByteByByte) {
  const auto cases = LoadGolden();
  ASSERT_GE(cases.size(), 10u);
  for (const auto& golden : cases) {
    std::string all;
    for (const auto& read : golden.reads) all += read;
    const std::vector<std::vector<std::string>> feedings = {golden.reads, {all}, [&] {
                                                              std::vector<std::string> bytes;
                                                              for (char c : all)
                                                                bytes.emplace_back(1, c);
                                                              return bytes;
                                                            }()};
    for (const auto& reads : feedings) {
      TelnetClientCodec codec("dumb");
      std::string data, replies;
      for (const auto& read : reads) codec.Receive(read, data, replies);
      EXPECT_EQ(Escaped(data), Escaped(golden.data)) << golden.name << " in " << reads.size();
      EXPECT_EQ(Escaped(replies), Escaped(golden.replies)) << golden.name << " in " << reads.size();
    }
  }
}

TEST(TelnetClientCodec, SendsItsOwnTerminalTypeCutToTheOptionsLimit) {
  TelnetClientCodec ansi("ansi");
  std::string data, replies;
  ansi.Receive("\xff\xfd\x18\xff\xfa\x18\x01\xff\xf0", data, replies);
  EXPECT_EQ(replies,
            "\xff\xfb\x18\xff\xfa\x18\x00"
            "ansi\xff\xf0"s);

  TelnetClientCodec longer(std::string(100, 'x'));
  replies.clear();
  longer.Receive("\xff\xfd\x18\xff\xfa\x18\x01\xff\xf0", data, replies);
  EXPECT_EQ(replies.size(), 3u + 4u + TelnetClientCodec::kMaxTerminalType + 2u);
}

TEST(TelnetClientCodec, TerminalTypeRequestsGetThreeAnswersPerConnectionHoweverTheyCome) {
  const std::string request = "\xff\xfa\x18\x01\xff\xf0";
  const std::string answer =
      "\xff\xfa\x18\x00"
      "dumb\xff\xf0"s;
  // Withdrawing the option and agreeing it again does not start a new count.
  const std::string again = "\xff\xfe\x18\xff\xfd\x18";
  TelnetClientCodec codec("dumb");
  std::string data, replies;
  codec.Receive("\xff\xfd\x18", data, replies);
  ASSERT_EQ(replies, "\xff\xfb\x18");
  std::size_t answers = 0;
  for (int i = 0; i < 1000; ++i) {
    replies.clear();
    codec.Receive(request + (i % 2 == 0 ? again : "") + "x", data, replies);
    for (std::size_t at = replies.find(answer); at != std::string::npos;
         at = replies.find(answer, at + 1))
      ++answers;
  }
  EXPECT_EQ(answers, static_cast<std::size_t>(TelnetClientCodec::kMaxTerminalTypeAnswers));
  EXPECT_EQ(data, std::string(1000, 'x'));
}

TEST(TelnetClientCodec, LinesDoubleIacAndEndInCrLf) {
  EXPECT_EQ(TelnetClientCodec::EncodeLine("NE=BSC9"), "NE=BSC9\r\n");
  EXPECT_EQ(TelnetClientCodec::EncodeLine(""), "\r\n");
  EXPECT_EQ(TelnetClientCodec::EncodeLine("\x04"), "\x04\r\n");
  EXPECT_EQ(TelnetClientCodec::EncodeLine("a\xff"), "a\xff\xff\r\n");
}

}  // namespace
}  // namespace kestrel::net
