#include "mml/session_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "mml/text.h"
#include "sim/session_log.h"
#include "tests/fake_telnet.h"
#include "tests/manual_clock.h"
#include "tests/test_data.h"

namespace kestrel::mml {
namespace {

// Records in memory, one after another: "page element" per record, then its lines as "MS sent
// TEXT", "MS recv TEXT" or "MS note TEXT", MS the time of the line in milliseconds, TEXT as
// written.
struct MemoryRecorder : SessionRecorder {
  std::vector<std::string> lines;
  bool refuse_open = false;
  bool fail_writes = false;

  struct Record : SessionRecord {
    MemoryRecorder* owner;
    bool Write(Direction direction, std::string_view text, Time when) override {
      if (owner->fail_writes) return false;
      const std::string ms = std::to_string(
          std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count());
      auto add = [&](const char* word, std::string_view line) {
        owner->lines.push_back(ms + word + std::string(line));
      };
      if (direction == Direction::kReceived) {
        ForEachReceivedLine(text, [&](std::string_view line) { add(" recv ", line); });
      } else {
        add(direction == Direction::kSent ? " sent " : " note ", text);
      }
      return true;
    }
  };
  std::unique_ptr<SessionRecord> Open(std::string_view page, std::string_view element,
                                      std::string& error) override {
    if (refuse_open) {
      error = "the folder /logs/2026-12-06 cannot be made";
      return nullptr;
    }
    lines.push_back(std::string(page) + " " + std::string(element));
    auto record = std::make_unique<Record>();
    record->owner = this;
    return record;
  }
};

struct Rig {
  Rig() {
    client.Host = "10.1.1.1";
    client.Port = 52200;
    client.OnDataAvailable = [this](std::string_view chunk) { seen += chunk; };
    client.OnDisconnected = [this] { client.Note("May still be blocked: RXOTS-12-0-1"); };
    clock.Attach(client.QuietTimer);
  }
  // The received texts of the records.
  std::vector<std::string> Received() const {
    std::vector<std::string> texts;
    for (const std::string& line : recorder.lines) {
      const std::size_t at = line.find(" recv ");
      if (at != std::string::npos) texts.push_back(line.substr(at + 6));
    }
    return texts;
  }
  testing::FakeTelnetClient inner;
  MemoryRecorder recorder;
  testing::ManualClock clock;
  std::vector<std::string> errors;
  std::string seen;
  std::unique_ptr<RecordedTelnetClient> owned = std::make_unique<RecordedTelnetClient>(
      inner, &recorder,
      RecordedTelnetClient::Context{
          "proses", [] { return std::string("BSC9"); }, [] { return std::string("s3cret"); },
          [this](const std::string& message) { errors.push_back(message); },
          [this] { return SessionRecord::Time(std::chrono::milliseconds(clock.Now())); }});
  RecordedTelnetClient& client = *owned;
};

struct RecordedClientTest : ::testing::Test, Rig {};

std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : " | ") + text;
  return joined;
}

// The scripts of tests/data/mml/session-records.txt, each on a client of its own.
TEST(RecordedClient, Scripts) {
  for (const auto& [name, section] :
       kestrel::testing::TestDataSections("mml/session-records.txt")) {
    SCOPED_TRACE(name);
    Rig rig;
    std::vector<std::string> expected;
    using Text = const std::string&;
    const std::vector<std::pair<std::string, std::function<void(Text)>>> steps = {
        {"connect fails", [&](Text text) { rig.inner.ConnectFails(text); }},
        {"connect error", [&](Text text) { EXPECT_EQ(rig.client.ConnectError, text); }},
        {"connect", [&](Text) { rig.client.Connect(); }},
        {"host", [&](Text text) { EXPECT_EQ(rig.inner.Host, text); }},
        {"disconnect", [&](Text) { rig.client.Disconnect(); }},
        {"send", [&](Text text) { rig.client.WriteLn(text); }},
        {"note", [&](Text text) { rig.client.Note(text); }},
        {"recv", [&](Text text) { rig.inner.Receive(text); }},
        {"wait", [&](Text text) { rig.clock.Advance(std::stoll(text)); }},
        {"peer closes", [&](Text) { rig.inner.PeerCloses(); }},
        {"client ends", [&](Text text) { rig.inner.ClientEnds(text); }},
        {"program ends", [&](Text) { rig.owned.reset(); }},
        {"log refused", [&](Text) { rig.recorder.refuse_open = true; }},
        {"log opens", [&](Text) { rig.recorder.refuse_open = false; }},
        {"writes fail", [&](Text) { rig.recorder.fail_writes = true; }},
        {"page", [&](Text text) { EXPECT_EQ(rig.seen, text); }},
        {"wire", [&](Text text) { EXPECT_EQ(Joined(rig.inner.Sent()), text); }},
        {"errors", [&](Text text) { EXPECT_EQ(Joined(rig.errors), text); }},
        {"end reason", [&](Text text) { EXPECT_EQ(rig.client.EndReason, text); }},
        {"socket open", [&](Text) { EXPECT_TRUE(rig.inner.Connected()); }},
        {"=", [&](Text text) { expected.push_back(text); }},
    };
    for (const std::string& line : kestrel::testing::SplitAt(section, "\r\n")) {
      if (line.empty() || line.starts_with('#')) continue;
      SCOPED_TRACE(line);
      const auto entry = std::find_if(steps.begin(), steps.end(),
                                      [&](const auto& row) { return line.starts_with(row.first); });
      ASSERT_NE(entry, steps.end());
      entry->second(
          sim::UnescapeRecordText(line.substr(std::min(entry->first.size() + 1, line.size()))));
    }
    EXPECT_EQ(rig.recorder.lines, expected);
  }
}

// One stream of a printout, cut in two and in three at every place: the record is its lines,
// each with the time its first byte came, and the last line (the prompt) when the session ends.
TEST_F(RecordedClientTest, ReceivedTextIsRecordedByLinesHoweverTheNetworkCutIt) {
  const std::string stream =
      "\r\nWO      BSC9\r\n<RLSLP:CELL=ALL;\r\n\r\nCELL       SCTYPE\r\nC09101A\r\nEND\r\n\r\n<";
  for (std::size_t i = 1; i < stream.size(); ++i) {
    for (std::size_t j = i; j < stream.size(); ++j) {
      recorder.lines.clear();
      client.Connect();
      const long long start = clock.Now();
      // A chunk comes every 10 ms; a line has the time of the chunk that holds its first byte.
      std::vector<std::string> expected = {"proses BSC9",
                                           std::to_string(start) + " note connect 10.1.1.1:52200"};
      ForEachReceivedLine(stream, [&](std::string_view line) {
        const std::size_t at = static_cast<std::size_t>(line.data() - stream.data());
        expected.push_back(std::to_string(start + 10 * ((at >= i) + (at >= j))) + " recv " +
                           std::string(line));
      });
      for (const auto& [from, to] : {std::pair{std::size_t{0}, i}, {i, j}, {j, stream.size()}}) {
        inner.Receive(std::string_view(stream).substr(from, to - from));
        clock.Advance(10);
      }
      inner.PeerCloses();
      expected.push_back(std::to_string(start + 30) + " note closed by peer");
      expected.push_back(std::to_string(start + 30) + " note May still be blocked: RXOTS-12-0-1");
      ASSERT_EQ(recorder.lines, expected) << "cut at " << i << ", " << j;
      clock.Advance(1000);
    }
  }
}

// The echo of the password and a start of it at the end of a line, cut at every place, with
// the line written between the pieces by a line sent, a note or a quiet moment: the record
// never holds the password or a start of it that then became the password.
TEST_F(RecordedClientTest, ThePasswordIsMaskedOverAnyCutAndWhateverWritesTheLineBetween) {
  const std::string stream = "s3cret\r\nLOGGED IN s3cr s3cret\r\nNE: s3cret NE: ";
  const std::string masked = Masked(stream, "s3cret");
  const std::vector<std::pair<const char*, std::function<void()>>> betweens = {
      {"nothing", [] {}},
      {"a line sent", [this] { client.WriteLn("NE=BSC9"); }},
      {"a note", [this] { client.Note("waiting"); }},
      {"a quiet second", [this] { clock.Advance(1000); }},
  };
  for (const auto& [between, write] : betweens) {
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
      recorder.lines.clear();
      client.Connect();
      inner.Receive(std::string_view(stream).substr(0, cut));
      write();
      inner.Receive(std::string_view(stream).substr(cut));
      inner.PeerCloses();
      std::string recorded;
      for (const std::string& text : Received()) recorded += text;
      ASSERT_EQ(recorded, masked) << "cut at " << cut << ", " << between;
    }
  }
}

// A line that never ends is written in pieces, none of them lost.
TEST_F(RecordedClientTest, ALineThatNeverEndsIsWrittenInPieces) {
  client.Connect();
  const std::string endless(200000, 'x');
  inner.ReceiveInChunks(endless, 1000);
  inner.Receive("\r\n");
  std::string recorded;
  const std::vector<std::string> pieces = Received();
  for (const std::string& piece : pieces) {
    EXPECT_LT(piece.size(), 70000u);
    recorded += piece;
  }
  EXPECT_GT(pieces.size(), 2u);
  EXPECT_TRUE(recorded == endless + "\r\n");
}

TEST(RecordEscaping, EveryByteComesBackAsOneLineOfPlainText) {
  EXPECT_EQ(EscapedForRecord(std::string_view("a\\b\r\n\t\x1b\x7f\xc3\xbc\0<", 12)),
            "a\\\\b\\r\\n\\t\\x1b\\x7f\\xc3\\xbc\\x00<");
}

}  // namespace
}  // namespace kestrel::mml
