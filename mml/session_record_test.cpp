#include "mml/session_record.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mml/text.h"
#include "tests/fake_telnet.h"
#include "tests/manual_clock.h"

namespace kestrel::mml {
namespace {

using ::testing::ElementsAre;

// Records in memory: "page element" per record, then its lines as "sent x", "recv x", "note x",
// and beside them the time of each line in milliseconds.
struct MemoryRecorder : SessionRecorder {
  std::vector<std::vector<std::string>> records;
  std::vector<std::vector<long long>> times;
  bool refuse_open = false;
  bool fail_writes = false;

  struct Record : SessionRecord {
    MemoryRecorder* owner;
    std::size_t index;
    bool Write(Direction direction, std::string_view text, Time when) override {
      if (owner->fail_writes) return false;
      const long long ms =
          std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
      auto add = [&](const char* word, std::string_view line) {
        owner->records[index].push_back(word + EscapedForRecord(line));
        owner->times[index].push_back(ms);
      };
      if (direction == Direction::kReceived) {
        ForEachReceivedLine(text, [&](std::string_view line) { add("recv ", line); });
      } else {
        add(direction == Direction::kSent ? "sent " : "note ", text);
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
    records.push_back({std::string(page) + " " + std::string(element)});
    times.push_back({-1});
    auto record = std::make_unique<Record>();
    record->owner = this;
    record->index = records.size() - 1;
    return record;
  }
};

class RecordedClientTest : public ::testing::Test {
 protected:
  RecordedClientTest() {
    client.Host = "10.1.1.1";
    client.Port = 52200;
    client.OnDataAvailable = [this](std::string_view chunk) { seen += chunk; };
    client.OnDisconnected = [this] { client.Note("May still be blocked: RXOTS-12-0-1"); };
    clock.Attach(client.QuietTimer);
  }
  // The received lines of the first record, from the `from`th on.
  std::vector<std::string> Received(std::size_t from = 0) const {
    std::vector<std::string> lines;
    for (const std::string& line : recorder.records[0]) {
      if (line.starts_with("recv ")) lines.push_back(line);
    }
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(from));
    return lines;
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

TEST_F(RecordedClientTest, RecordsTheSessionAsItWentWithThePasswordHidden) {
  client.Connect();
  EXPECT_EQ(inner.Host, "10.1.1.1");
  inner.Receive("User: ");
  client.WriteLn("ops1");
  inner.Receive("Password: ");
  client.WriteLn("s3cret");
  inner.Receive("s3c");  // a gateway that echoes the password, cut by the network
  inner.Receive("ret\r\nNE: ");
  client.WriteLn("NE=BSC9");
  client.WriteLn("\x04");
  inner.PeerCloses();
  EXPECT_EQ(seen, "User: Password: s3cret\r\nNE: ");  // the page sees what came
  ASSERT_EQ(recorder.records.size(), 1u);
  EXPECT_THAT(recorder.records[0],
              ElementsAre("proses BSC9", "note connect 10.1.1.1:52200", "recv User: ", "sent ops1",
                          "recv Password: ", "sent ********", "recv ******\\r\\n",
                          "recv NE: ", "sent NE=BSC9", "sent \\x04", "note closed by peer",
                          "note May still be blocked: RXOTS-12-0-1"));
}

// One stream of a printout, cut in two and in three at every place: the record is its lines,
// each with the time its first byte came, and the last line (the prompt) when the session ends.
TEST_F(RecordedClientTest, ReceivedTextIsRecordedByLinesHoweverTheNetworkCutIt) {
  const std::string stream =
      "\r\nWO      BSC9\r\n<RLSLP:CELL=ALL;\r\n\r\nCELL       SCTYPE\r\nC09101A\r\nEND\r\n\r\n<";
  std::vector<std::string> lines;
  ForEachReceivedLine(
      stream, [&](std::string_view line) { lines.push_back("recv " + EscapedForRecord(line)); });
  std::vector<std::vector<std::size_t>> cuts;
  for (std::size_t i = 1; i < stream.size(); ++i) {
    for (std::size_t j = i; j < stream.size(); ++j) cuts.push_back({i, j});
  }
  for (const auto& cut : cuts) {
    recorder.records.clear();
    recorder.times.clear();
    client.Connect();
    const long long start = clock.Now();
    std::vector<long long> expected_times;  // a chunk comes every 10 ms
    std::size_t from = 0, line_start = 0;
    for (std::size_t chunk = 0; chunk <= cut.size(); ++chunk) {
      const std::size_t to = chunk < cut.size() ? cut[chunk] : stream.size();
      const long long when = start + static_cast<long long>(chunk) * 10;
      for (; line_start < to; line_start = stream.find('\n', line_start) + 1) {
        if (line_start >= from) expected_times.push_back(when);
        if (stream.find('\n', line_start) == std::string::npos) break;
      }
      inner.Receive(std::string_view(stream).substr(from, to - from));
      clock.Advance(10);
      from = to;
    }
    inner.PeerCloses();
    const std::string what = "cut at " + std::to_string(cut[0]) + ", " + std::to_string(cut[1]);
    ASSERT_EQ(Received(), lines) << what;
    std::vector<long long> times;
    for (std::size_t i = 0; i < recorder.records[0].size(); ++i) {
      if (recorder.records[0][i].starts_with("recv ")) times.push_back(recorder.times[0][i]);
    }
    ASSERT_EQ(times, expected_times) << what;
    clock.Advance(1000);
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
      recorder.records.clear();
      recorder.times.clear();
      client.Connect();
      inner.Receive(std::string_view(stream).substr(0, cut));
      write();
      inner.Receive(std::string_view(stream).substr(cut));
      inner.PeerCloses();
      std::string recorded;
      for (const std::string& line : Received()) recorded += line.substr(5);
      ASSERT_EQ(recorded, EscapedForRecord(masked)) << "cut at " << cut << ", " << between;
    }
  }
}

// A line whose end does not come is written when the session goes quiet, with the time of its
// first byte; what follows on it is a record of its own. A line that never ends is written in
// pieces, none of them lost.
TEST_F(RecordedClientTest, ALineNotYetEndedIsWrittenWhenTheSessionGoesQuiet) {
  client.Connect();
  inner.Receive("END\r\n\r\n<");
  for (const char* more : {"R", "X", "A"}) {  // typed slowly, but never a quiet second
    clock.Advance(300);
    inner.Receive(more);
  }
  EXPECT_THAT(Received(), ElementsAre("recv END\\r\\n", "recv \\r\\n"));
  clock.Advance(1000);
  inner.Receive("SP:MOTY=RXOTG;\r\n");
  EXPECT_THAT(Received(2), ElementsAre("recv <RXA", "recv SP:MOTY=RXOTG;\\r\\n"));
  EXPECT_EQ(recorder.times[0][4], 0);  // "<RXA" began with the prompt
  EXPECT_EQ(recorder.times[0][5], 1900);

  const std::string endless(200000, 'x');
  inner.ReceiveInChunks(endless, 1000);
  inner.Receive("\r\n");
  std::string recorded;
  const std::vector<std::string> pieces = Received(4);
  for (const std::string& line : pieces) {
    EXPECT_LT(line.size(), 70000u);
    recorded += line.substr(5);
  }
  EXPECT_GT(pieces.size(), 2u);
  EXPECT_TRUE(recorded == endless + "\\r\\n");
}

// How each session ended is its record's last note: the program's end while it was open (what
// came last goes first; the page, which may be gone, is not called), Disconnect, the client's
// own end with its reason, a failed connect.
TEST_F(RecordedClientTest, EachEndIsTheLastNoteOfItsRecord) {
  const std::string reason = "the gateway stopped reading: more than 4 MB of unsent output";
  const std::string refused = "Cannot connect to 10.1.1.1:52200: Connection refused";
  client.Connect();
  client.Disconnect();
  client.Connect();
  inner.ClientEnds(reason);
  EXPECT_EQ(client.EndReason, reason);
  client.Connect();
  inner.ConnectFails(refused);
  EXPECT_EQ(client.ConnectError, refused);
  client.Connect();
  inner.Receive("\r\n<");
  owned.reset();
  EXPECT_TRUE(inner.Connected());  // its own end closes the socket
  ASSERT_EQ(recorder.records.size(), 4u);
  EXPECT_EQ(recorder.records[0][2], "note disconnected");
  EXPECT_EQ(recorder.records[1][2], "note ended by client: " + reason);
  EXPECT_EQ(recorder.records[2][2], "note connect failed: " + refused);
  EXPECT_THAT(recorder.records[3], ElementsAre("proses BSC9", "note connect 10.1.1.1:52200",
                                               "recv \\r\\n", "recv <", "note disconnected"));
}

// A log that cannot be written is said once, and the job goes on.
TEST_F(RecordedClientTest, AnUnwritableLogIsSaidOnceAndTheSessionGoesOn) {
  recorder.refuse_open = true;
  client.Connect();
  client.Disconnect();
  client.Connect();
  inner.Receive("User: ");
  EXPECT_EQ(seen, "User: ");
  recorder.refuse_open = false;
  recorder.fail_writes = true;
  client.Disconnect();
  client.Connect();
  client.WriteLn("ops1");
  EXPECT_THAT(inner.Sent(), ElementsAre("ops1"));
  EXPECT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0],
            "The session log cannot be written: the folder /logs/2026-12-06 cannot be made; the "
            "job goes on without it");
}

TEST(RecordEscaping, EveryByteComesBackAsOneLineOfPlainText) {
  EXPECT_EQ(EscapedForRecord(std::string_view("a\\b\r\n\t\x1b\x7f\xc3\xbc\0<", 12)),
            "a\\\\b\\r\\n\\t\\x1b\\x7f\\xc3\\xbc\\x00<");
}

}  // namespace
}  // namespace kestrel::mml
