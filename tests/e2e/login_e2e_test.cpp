// A refused login and an element the gateway does not know, end to end on every page: the
// report names the element with the gateway's own words, the recap says it was not reached,
// and the run does not end clean. (The Daily check's refused login waits for its watchdog and
// is among its early ends.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;

// True when one line of the report (standard output, or a message on standard error that is
// not the recap) holds both texts.
bool OneLineHolds(const RunResult& result, const std::string& a, const std::string& b) {
  for (const std::string& line : Lines(result.out + "\n" + result.err)) {
    if (!line.starts_with("recap: ") && line.find(a) != std::string::npos &&
        line.find(b) != std::string::npos) {
      return true;
    }
  }
  return false;
}

void ExpectNotReached(const RunResult& result, const std::string& element,
                      const std::string& words) {
  // 1, not the time-out's 3: the job ended on the gateway's words, not by waiting.
  EXPECT_EQ(result.exit_code, 1) << result.err;
  EXPECT_TRUE(OneLineHolds(result, element, words)) << result.out << result.err;
  bool recapped = false;
  for (const std::string& line : RecapLines(result.err)) {
    if (!line.starts_with(element + ": ")) continue;
    recapped = true;
    EXPECT_THAT(line, ::testing::StartsWith(element + ": not reached; ended early: "));
    EXPECT_THAT(line, HasSubstr(words));
  }
  EXPECT_TRUE(recapped) << result.err;
}

TEST(Login, ARefusedLoginIsReportedInTheGatewaysWordsOnEveryPage) {
  QTemporaryDir scratch;
  QProcessEnvironment wrong;
  wrong.insert("KESTREL_PASSWORD", "not-the-password");
  std::vector<Job> jobs;
  std::vector<std::unique_ptr<GatewayProcess>> gateways;
  std::vector<std::unique_ptr<BatchProcess>> runs;
  // Over SSH the server refuses the login; the page's words are the same.
  QTemporaryDir keys;
  const SshPair ssh(keys.path());
  for (const bool over_ssh : {false, true}) {
    for (const Job& job : SixJobs(scratch.path())) {
      if (job.command == "dailycheck") continue;
      jobs.push_back(job);
      gateways.push_back(std::make_unique<GatewayProcess>(
          job.network + QStringList{"--quiet"} + (over_ssh ? ssh.gateway : QStringList{})));
      runs.push_back(std::make_unique<BatchProcess>(
          job.With(gateways.back()->QAddress()) + (over_ssh ? ssh.runner : QStringList{}), wrong));
    }
  }
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(jobs[i].command);
    const RunResult result = runs[i]->Wait();
    // Qonsuluq's two sessions log in side by side: the side refused first says it (over SSH
    // either may be first).
    const bool other_side =
        jobs[i].command == "qonsuluq" && !OneLineHolds(result, jobs[i].element, "LOGIN INCORRECT");
    ExpectNotReached(result, other_side ? "BSC10" : jobs[i].element, "LOGIN INCORRECT");
  }
}

TEST(Login, AnElementTheGatewayDoesNotKnowIsReportedInItsWordsOnEveryPage) {
  QTemporaryDir scratch;
  std::vector<Job> jobs = SixJobs(scratch.path(), "BSC99");
  std::vector<std::unique_ptr<GatewayProcess>> gateways;
  std::vector<std::unique_ptr<BatchProcess>> runs;
  for (Job& job : jobs) {
    // The Daily check goes on with the next element at once; alone, it would wait for its
    // watchdog, set here beyond the job's time-out.
    if (job.command == "dailycheck") {
      job.arguments += QStringList{"--ne", "BSC9", "--watchdog", "86400"};
    }
    gateways.push_back(std::make_unique<GatewayProcess>(job.network + QStringList{"--quiet"}));
    runs.push_back(
        std::make_unique<BatchProcess>(job.With(gateways.back()->QAddress()), DemoPassword()));
  }
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(jobs[i].command);
    const RunResult result = runs[i]->Wait();
    ExpectNotReached(result, "BSC99", "NE BSC99 NOT DEFINED IN GATEWAY");
  }
}

}  // namespace
}  // namespace kestrel::testing
