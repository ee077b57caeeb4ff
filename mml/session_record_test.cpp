#include "mml/session_record.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fake_telnet.h"

namespace kestrel::mml {
namespace {

using ::testing::_;
using ::testing::ElementsAre;

// Records in memory: "page element" per record, then its lines as "sent x", "recv x", "note x".
struct MemoryRecorder : SessionRecorder {
  std::vector<std::vector<std::string>> records;
  bool refuse_open = false;
  bool fail_writes = false;

  struct Record : SessionRecord {
    MemoryRecorder* owner;
    std::size_t index;
    bool Write(Direction direction, std::string_view text) override {
      if (owner->fail_writes) return false;
      const char* word = direction == Direction::kSent       ? "sent "
                         : direction == Direction::kReceived ? "recv "
                                                             : "note ";
      owner->records[index].push_back(word + EscapedForRecord(text));
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
  }
  testing::FakeTelnetClient inner;
  MemoryRecorder recorder;
  std::vector<std::string> errors;
  std::string seen;
  RecordedTelnetClient client{
      inner,
      &recorder,
      {"proses", [] { return std::string("BSC9"); }, [] { return std::string("s3cret"); },
       [this](const std::string& message) { errors.push_back(message); }}};
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
                          "recv Password: ", "sent ********", "recv ***",
                          "recv ***\\r\\nNE: ", "sent NE=BSC9", "sent \\x04", "note closed by peer",
                          "note May still be blocked: RXOTS-12-0-1"));
}

TEST_F(RecordedClientTest, SaysWhoEndedTheSession) {
  client.Connect();
  client.Disconnect();
  client.Connect();
  inner.ClientEnds("the gateway stopped reading: more than 4 MB of unsent output");
  EXPECT_EQ(client.EndReason, "the gateway stopped reading: more than 4 MB of unsent output");
  ASSERT_EQ(recorder.records.size(), 2u);
  EXPECT_EQ(recorder.records[0][2], "note disconnected");
  EXPECT_EQ(recorder.records[1][2],
            "note ended by client: the gateway stopped reading: more than 4 MB of unsent output");
}

TEST_F(RecordedClientTest, AFailedConnectIsRecordedAndPassedOn) {
  client.Connect();
  inner.ConnectFails("Cannot connect to 10.1.1.1:52200: Connection refused");
  EXPECT_EQ(client.ConnectError, "Cannot connect to 10.1.1.1:52200: Connection refused");
  EXPECT_THAT(recorder.records[0],
              ElementsAre("proses BSC9", "note connect 10.1.1.1:52200",
                          "note connect failed: Cannot connect to 10.1.1.1:52200: Connection "
                          "refused",
                          _));  // the page's own note on the end
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
