#include "sim/replay.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrel::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

// A log as a Kestrel program writes it, from "DIR TEXT" lines.
RecordedSession Log(const std::string& name, const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += "2026-12-06 09:30:01.000 " + line + "\n";
  return RecordedSession::FromRecords(name, ParseSessionLog(text));
}

RecordedSession ElementLog(const std::string& name, const std::string& element,
                           const std::string& printout, bool closed) {
  std::vector<std::string> lines = {"note connect 127.0.0.1:52200",
                                    "recv \\r\\nGW\\r\\n\\r\\nUser: ",
                                    "sent kestrel",
                                    "recv kestrel\\r\\n",
                                    "recv Password: ",
                                    "sent ********",
                                    "recv \\r\\nLOGGED IN\\r\\n\\r\\nNE: ",
                                    "sent NE=" + element,
                                    "recv NE=" + element + "\\r\\n",
                                    "recv \\r\\nWO      " + element + "\\r\\n<",
                                    "sent RLSLP:CELL=ALL;",
                                    "recv RLSLP:CELL=ALL;\\r\\n\\r\\n" + printout,
                                    "recv \\r\\nEND\\r\\n\\r\\n<"};
  lines.push_back(closed ? "note closed by peer" : "note disconnected");
  lines.push_back("note BSC9 checked");
  return Log(name, lines);
}

std::string Said(const std::vector<Output>& outputs) {
  std::string text;
  for (const auto& output : outputs) text += output.bytes;
  return text;
}

struct Replay {
  explicit Replay(std::vector<RecordedSession> logs, bool join = false)
      : book(std::move(logs)), join_chunks(join) {}
  std::unique_ptr<ReplaySession> Connect() {
    return std::make_unique<ReplaySession>(
        book, join_chunks, [this](const std::string& event) { events.push_back(event); },
        [this](const std::string& warning) { warnings.push_back(warning); });
  }
  ReplayBook book;
  bool join_chunks;
  std::vector<std::string> events, warnings;
};

std::string Type(ReplaySession& session, const std::string& line) {
  return Said(session.Receive(line + "\r\n"));
}

TEST(Replay, PlaysTheLogChunkByChunkAndClosesWhereTheGatewayDid) {
  Replay replay({ElementLog("a.log", "BSC9", "CELL A", true)});
  auto session = replay.Connect();
  const auto start = session->Start();
  ASSERT_EQ(start.size(), 2u);  // telnet negotiation, then the recorded chunk
  EXPECT_EQ(start[1].bytes, "\r\nGW\r\n\r\nUser: ");
  // Login lines are taken whatever they are.
  const auto user = session->Receive("someone\r\n");
  ASSERT_EQ(user.size(), 2u);
  EXPECT_EQ(user[0].bytes, "kestrel\r\n");
  EXPECT_TRUE(user[0].answer);
  EXPECT_EQ(user[1].bytes, "Password: ");
  EXPECT_EQ(Type(*session, "other"), "\r\nLOGGED IN\r\n\r\nNE: ");
  EXPECT_EQ(Type(*session, "NE=BSC9"), "NE=BSC9\r\n\r\nWO      BSC9\r\n<");
  EXPECT_FALSE(session->Finished());
  EXPECT_EQ(Type(*session, "RLSLP:CELL=ALL;"), "RLSLP:CELL=ALL;\r\n\r\nCELL A\r\nEND\r\n\r\n<");
  EXPECT_TRUE(session->Finished());
  EXPECT_THAT(replay.warnings, IsEmpty());
  EXPECT_THAT(replay.events, ::testing::Contains("typed (password)"));
  // Joined for cuts made afresh.
  Replay joined({ElementLog("a.log", "BSC9", "CELL A", true)}, true);
  auto fresh = joined.Connect();
  fresh->Start();
  EXPECT_EQ(Said(fresh->Receive("kestrel\r\n")), "kestrel\r\nPassword: ");
}

TEST(Replay, ThePasswordIsMaskedHoweverTheReadsCutIt) {
  const std::string typed = "ops\r\nS3cret\r\nNE=BSC9\r\n";
  for (std::size_t i = 0; i <= typed.size(); ++i) {
    for (std::size_t j = i; j <= typed.size(); ++j) {
      Replay replay({ElementLog("a.log", "BSC9", "CELL A", true)});
      auto session = replay.Connect();
      session->Start();
      std::string masked, said;
      for (const auto& [from, to] : {std::pair{std::size_t{0}, i}, {i, j}, {j, typed.size()}}) {
        said += Said(session->Receive(std::string_view(typed).substr(from, to - from)));
        masked += session->MaskedInput();
      }
      ASSERT_EQ(masked, "ops\r\n******\r\nNE=BSC9\r\n") << "cut at " << i << " and " << j;
      ASSERT_THAT(said, EndsWith("<"));
    }
  }
}

TEST(Replay, TheElementChoosesTheLogAndLogsOfOneElementGoInOrder) {
  Replay replay({ElementLog("b.log", "BSC10", "CELL B", false),
                 ElementLog("a1.log", "BSC9", "CELL A1", false),
                 ElementLog("a2.log", "BSC9", "CELL A2", false)});
  auto first = replay.Connect();
  first->Start();
  Type(*first, "kestrel");
  Type(*first, "kestrel");
  EXPECT_EQ(Type(*first, "NE=BSC9"), "NE=BSC9\r\n\r\nWO      BSC9\r\n<");
  EXPECT_THAT(Type(*first, "RLSLP:CELL=ALL;"), HasSubstr("CELL A1"));
  EXPECT_THAT(replay.events,
              ElementsAre("login from b.log", "typed kestrel", "typed (password)", "typed NE=BSC9",
                          "element from a1.log", "typed RLSLP:CELL=ALL;"));

  auto second = replay.Connect();
  second->Start();
  second->Receive("kestrel\r\nkestrel\r\nNE=BSC9\r\n");
  EXPECT_THAT(Type(*second, "RLSLP:CELL=ALL;"), HasSubstr("CELL A2"));

  auto third = replay.Connect();
  third->Start();
  third->Receive("kestrel\r\nkestrel\r\n");
  // No log left for it: refused as an unknown element, with the element prompt again.
  EXPECT_EQ(Type(*third, "NE=BSC9"), "NE=BSC9\r\nNE BSC9 NOT DEFINED IN GATEWAY\r\n\r\nNE: ");
  EXPECT_THAT(replay.warnings.back(), HasSubstr("the client sent \"NE=BSC9\""));
  EXPECT_THAT(Type(*third, "NE=BSC10"), HasSubstr("WO      BSC10"));
  EXPECT_THAT(Type(*third, "RLSLP:CELL=ALL;"), HasSubstr("CELL B"));
  EXPECT_FALSE(third->Finished());  // the client ended that session: the replay stays silent

  auto fourth = replay.Connect();
  EXPECT_THAT(fourth->Start(), IsEmpty());
  EXPECT_TRUE(fourth->Finished());
  EXPECT_THAT(replay.warnings.back(), HasSubstr("every recorded session has been served"));
}

TEST(Replay, ALineTheLogDoesNotHoldIsRefusedReportedAndTheReplayWaits) {
  Replay replay({ElementLog("a.log", "BSC9", "CELL A", false)});
  auto session = replay.Connect();
  session->Start();
  session->Receive("kestrel\r\nkestrel\r\nNE=BSC9\r\n");
  EXPECT_EQ(Type(*session, "RLSLP:CELL=C1;"),
            "RLSLP:CELL=C1;\r\n\r\nNOT ACCEPTED\r\nFAULT CODE 1\r\nNOT IN THE RECORDED "
            "SESSION\r\n\r\n<");
  ASSERT_EQ(replay.warnings.size(), 1u);
  EXPECT_EQ(replay.warnings[0],
            "replay of a.log: the client sent \"RLSLP:CELL=C1;\", which the log does not hold "
            "here (it holds \"RLSLP:CELL=ALL;\" at line 11)");
  EXPECT_THAT(Type(*session, "RLSLP:CELL=ALL;"), HasSubstr("CELL A"));
  EXPECT_THAT(Type(*session, ""), HasSubstr("NOT ACCEPTED"));
  EXPECT_THAT(replay.warnings.back(), HasSubstr("\"\", which the log does not hold here (it has "
                                                "ended)"));
}

// A log may end at the password prompt; what the client types there is still its password.
TEST(Replay, APasswordAskedForIsNeverShownAlsoWhereTheLogHasEnded) {
  Replay replay({Log("short.log", {"recv User: ", "sent kestrel", "recv Pass",
                                   "recv word: ", "note disconnected"})});
  auto session = replay.Connect();
  session->Start();
  EXPECT_EQ(Type(*session, "ops"), "Password: ");
  EXPECT_EQ(Said(session->Receive("s3cret\r\n")),
            "\r\nNOT ACCEPTED\r\nFAULT CODE 1\r\nNOT IN THE RECORDED SESSION\r\n\r\n<");
  EXPECT_EQ(session->MaskedInput(), "******\r\n");
  ASSERT_EQ(replay.warnings.size(), 1u);
  EXPECT_EQ(replay.warnings[0],
            "replay of short.log: the client sent \"(password)\", which the log does not hold "
            "here (it has ended)");
  // Other lines before the element selection are shown and echoed as ever.
  EXPECT_THAT(Type(*session, "RLSLP:CELL=ALL;"), StartsWith("RLSLP:CELL=ALL;\r\n\r\nNOT ACCEPTED"));
  EXPECT_THAT(replay.warnings.back(), HasSubstr("\"RLSLP:CELL=ALL;\""));
  EXPECT_THAT(replay.events, ::testing::Not(::testing::Contains(HasSubstr("s3cret"))));
}

TEST(Replay, AGatewayThatOnlySpokeAndClosedAndDataBytesThatLookLikeTelnet) {
  Replay replay({Log("full.log", {"recv TOO MANY SESSIONS\\r\\n", "note closed by peer"}),
                 Log("iac.log", {"recv \\xff\\xfe", "sent x", "recv done"})});
  auto refused = replay.Connect();
  EXPECT_THAT(Said(refused->Start()), EndsWith("TOO MANY SESSIONS\r\n"));
  EXPECT_TRUE(refused->Finished());
  auto next = replay.Connect();
  // A recorded 255 is data and goes out doubled.
  EXPECT_THAT(Said(next->Start()), EndsWith("\xff\xff\xfe"));
  EXPECT_EQ(Type(*next, "anything"), "done");
  EXPECT_THROW(RecordedSession::FromRecords("empty.log", {}), MalformedLog);  // nothing to play
}

}  // namespace
}  // namespace kestrel::sim
