// The Proses page end to end: kestrel-batch proses against kestrel-gateway with a network
// of three BSCs, output cut into small chunks. The transcripts show every line typed and
// every order carried out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <set>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const QString kNetwork = QString(KESTREL_E2E_DATA) + "/proses-network.json";

std::vector<std::string> Login(const std::string& bsc) {
  return {"typed kestrel", "typed (password)", "typed NE=" + bsc};
}

// A confirmed order: the command, ";", and the exchange carrying it out.
std::vector<std::string> Order(const std::string& command) {
  const std::string object = command.substr(9, command.find_first_of(",;", 9) - 9);
  return {"typed " + command, "typed ;", "executed " + command.substr(0, 5) + " " + object};
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const std::vector<std::string> kPause = {"typed ^D", "typed "};

// Runs the procedure over the three BSCs and returns the transcripts.
std::vector<std::vector<std::string>> RunProses(const QString& procedure,
                                                const QStringList& extra = {}) {
  QTemporaryDir transcripts;
  GatewayProcess gateway(QStringList{"--scenario", kNetwork, "--chunk-max", "7", "--transcript-dir",
                                     transcripts.path()} +
                         extra);
  const RunResult run =
      RunBatch({"proses", "--gateway", QString::fromStdString(gateway.Address()), "--user",
                "kestrel", "--ne", "BSC9", "--ne", "BSC10", "--ne", "BSC12", "--procedure",
                procedure, "--release-ms", "20", "--wait-ms", "100", "--timeout", "50"},
               [] {
                 QProcessEnvironment env;
                 env.insert("KESTREL_PASSWORD", "kestrel");
                 return env;
               }());
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("Proses finish"));
  // No object is left blocked by a session.
  const auto sessions = TranscriptEvents(transcripts.path());
  for (const auto& events : sessions) {
    std::multiset<std::string> blocked, deblocked;
    for (const auto& event : events) {
      if (event.starts_with("executed RXBLI ")) blocked.insert(event.substr(15));
      if (event.starts_with("executed RXBLE ")) deblocked.insert(event.substr(15));
    }
    EXPECT_EQ(blocked, deblocked);
  }
  // The repairable faults are gone; what cannot be mended or was left alone is still there.
  const std::string situation = MmlQuery(gateway.Port(), "BSC9", "RXASP:MOTY=RXOTG;");
  for (const char* repaired : {"RXOTS-12-0-1", "RXOTS-12-0-2", "RXOTRX-12-1", "RXOTX-13-0"}) {
    EXPECT_THAT(situation, Not(HasSubstr(repaired)));
  }
  EXPECT_THAT(situation, HasSubstr("RXOCF-12           PERMANENT FAULT"));
  EXPECT_THAT(MmlQuery(gateway.Port(), "BSC10", "RXASP:MOTY=RXOTG;"),
              Not(HasSubstr("RXOTS-21-0-3")));
  return sessions;
}

TEST(ProsesEndToEnd, RxltiOverThreeBscs) {
  const auto sessions = RunProses("rxlti");
  ASSERT_EQ(sessions.size(), 3u);
  EXPECT_EQ(sessions[0], Join({Login("BSC9"),
                               {"typed RXASP:MOTY=RXOTG;"},
                               Order("RXBLI:MO=RXOTS-12-0-1,FORCE;"),
                               Order("RXBLI:MO=RXOTS-12-0-2,FORCE;"),
                               {"typed "},  // the wait is over
                               Order("RXESE:MO=RXOTS-12-0-1;"),
                               {"typed RXLTI:MO=RXOTS-12-0-1;", "executed RXLTI RXOTS-12-0-1"},
                               {"typed RXLTI:MO=RXOTS-12-0-2;", "executed RXLTI RXOTS-12-0-2"},
                               Order("RXESI:MO=RXOTS-12-0-1;"),
                               Order("RXBLE:MO=RXOTS-12-0-1;"),
                               kPause,
                               Order("RXBLE:MO=RXOTS-12-0-2;"),
                               kPause,
                               Order("RXBLI:MO=RXOTRX-12-1,FORCE;"),
                               Order("RXBLE:MO=RXOTRX-12-1;"),
                               kPause,
                               Order("RXBLI:MO=RXOTX-13-0,FORCE;"),
                               Order("RXBLE:MO=RXOTX-13-0;")}));
  // The service marks of the first BSC carry over: no end and start of service here.
  EXPECT_EQ(sessions[1],
            Join({Login("BSC10"),
                  {"typed RXASP:MOTY=RXOTG;"},
                  Order("RXBLI:MO=RXOTS-21-0-3,FORCE;"),
                  {"typed ", "typed RXLTI:MO=RXOTS-21-0-3;", "executed RXLTI RXOTS-21-0-3"},
                  Order("RXBLE:MO=RXOTS-21-0-3;")}));
  EXPECT_EQ(sessions[2], Join({Login("BSC12"), {"typed RXASP:MOTY=RXOTG;"}}));
}

TEST(ProsesEndToEnd, RxteiOverThreeBscsWithABusyOutageList) {
  const auto sessions = RunProses("rxtei", {"--busy-allip", "1"});
  ASSERT_EQ(sessions.size(), 3u);
  const std::vector<std::string> outage = {"typed ALLIP:ALCAT=KESINTI;"};
  EXPECT_EQ(
      sessions[0],
      Join({Login("BSC9"),
            outage,
            outage,  // busy first, asked again 5 s later
            {"typed RLSLP:CELL=C09101A;", "typed RXTCP:MOTY=RXOTG,CELL=C09101A;",
             "typed RXMFP:MO=RXOTG-12,SUBORD,FAULTY;"},
            // From the last faulty object up; the central function is left alone.
            Order("RXBLI:MO=RXOTRX-12-1,FORCE;"),
            Order("RXESE:MO=RXOTRX-12-1;"),
            Order("RXESI:MO=RXOTRX-12-1;"),
            Order("RXBLE:MO=RXOTRX-12-1;"),
            kPause,
            Order("RXBLI:MO=RXOTS-12-0-2,FORCE;"),
            {"typed RXTEI:MO=RXOTS-12-0-2;", "executed RXTEI RXOTS-12-0-2"},
            Order("RXBLE:MO=RXOTS-12-0-2;"),
            kPause,
            Order("RXBLI:MO=RXOTS-12-0-1,FORCE;"),
            {"typed RXTEI:MO=RXOTS-12-0-1;", "executed RXTEI RXOTS-12-0-1"},
            Order("RXBLE:MO=RXOTS-12-0-1;"),
            kPause,
            {"typed RLSLP:CELL=C09101A;", "typed RLSLP:CELL=C09102A;",
             "typed RXTCP:MOTY=RXOTG,CELL=C09102A;", "typed RXMFP:MO=RXOTG-13,SUBORD,FAULTY;"},
            Order("RXBLI:MO=RXORX-13-0,FORCE;"),
            Order("RXESE:MO=RXORX-13-0;"),
            Order("RXESI:MO=RXORX-13-0;"),
            Order("RXBLE:MO=RXORX-13-0;"),
            kPause,
            Order("RXBLI:MO=RXOTX-13-0,FORCE;"),
            Order("RXBLE:MO=RXOTX-13-0;"),
            kPause,
            {"typed RLSLP:CELL=C09102A;"}}));
  // C10101A has no traffic channels: dropped, and C10102A goes on without a check of its own.
  EXPECT_EQ(sessions[1], Join({Login("BSC10"),
                               outage,
                               {"typed RLSLP:CELL=C10101A;", "typed RXTCP:MOTY=RXOTG,CELL=C10102A;",
                                "typed RXMFP:MO=RXOTG-21,SUBORD,FAULTY;"},
                               Order("RXBLI:MO=RXOTS-21-0-3,FORCE;"),
                               Order("RXESE:MO=RXOTS-21-0-3;"),
                               {"typed RXTEI:MO=RXOTS-21-0-3;", "executed RXTEI RXOTS-21-0-3"},
                               Order("RXESI:MO=RXOTS-21-0-3;"),
                               Order("RXBLE:MO=RXOTS-21-0-3;"),
                               kPause,
                               {"typed RLSLP:CELL=C10102A;"}}));
  EXPECT_EQ(sessions[2], Join({Login("BSC12"), outage}));
}

TEST(ProsesEndToEnd, LostConnectionSaysWhatMayStillBeBlocked) {
  QTemporaryDir transcripts;
  GatewayProcess gateway({"--scenario", kNetwork, "--drop-after-bytes", "700"});
  QProcessEnvironment env;
  env.insert("KESTREL_PASSWORD", "kestrel");
  const RunResult run =
      RunBatch({"proses", "--gateway", QString::fromStdString(gateway.Address()), "--user",
                "kestrel", "--ne", "BSC9", "--wait-ms", "100", "--timeout", "30"},
               env);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.out, HasSubstr("*** Connection to BSC9 lost"));
  EXPECT_THAT(run.out, HasSubstr("May still be blocked: RXOTS-12-0-1 RXOTS-12-0-2."));
  EXPECT_THAT(run.err, HasSubstr("1 BSC(s) not finished, from BSC9"));
}

}  // namespace
}  // namespace kestrel::testing
