// The runner's settings end to end: the built-in demo password never goes to a gateway that
// is not on this machine, and a file that holds a password and can be read by others is
// warned about.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// 192.0.2.1 is in TEST-NET-1: nothing answers there. The runner must refuse before it
// connects; the short time-out would end a connect that was tried all the same.
TEST(Settings, TheDemoPasswordIsNeverSentToAGatewayElsewhere) {
  QTemporaryDir folder, logs;
  const QString settings = folder.filePath("site.ini");
  WriteFile(settings, "[gateway]\nhost=192.0.2.1\nport=23\nuser=kestrel\n");
  const std::string said = "No password is configured for the gateway 192.0.2.1";
  for (const Job& job : SixJobs(folder.path())) {
    SCOPED_TRACE(job.command);
    QStringList from_settings = QStringList{QString::fromStdString(job.command), "--settings",
                                            settings, "--log-dir", logs.path()} +
                                job.arguments;
    from_settings.replace(from_settings.indexOf("30"), "2");  // the --timeout
    RunResult result = RunBatch(from_settings);
    EXPECT_EQ(result.exit_code, 2) << result.err;
    EXPECT_THAT(result.err, HasSubstr(said));
    EXPECT_THAT(result.err, HasSubstr("nothing is sent"));
    EXPECT_EQ(result.out, "");
    EXPECT_LT(result.elapsed_ms, 5000) << "it did not refuse at once";

    QStringList by_option = job.With("192.0.2.1:23");
    by_option.replace(by_option.indexOf("30"), "2");
    result = RunBatch(by_option + QStringList{"--log-dir", logs.path()});
    EXPECT_EQ(result.exit_code, 2) << result.err;
    EXPECT_THAT(result.err, HasSubstr(said));
    EXPECT_LT(result.elapsed_ms, 5000) << "it did not refuse at once";
  }
  // No session was started, so none was logged.
  EXPECT_THAT(QDir(logs.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              ::testing::IsEmpty());
}

TEST(Settings, AFileHoldingThePasswordThatOthersCanReadIsWarnedAbout) {
  GatewayProcess gateway({"--quiet"});
  QTemporaryDir folder;
  const QString settings = folder.filePath("site.ini");
  const QString password = folder.filePath("password");
  const std::string ini = "[gateway]\nhost=127.0.0.1\nport=" + std::to_string(gateway.Port()) +
                          "\nuser=kestrel\npassword=kestrel\n";
  const QStringList check = {"rlslp", "--ne", "BSC12", "--timeout", "20"};

  WriteFile(settings, ini, /*others_may_read=*/true);
  RunResult result = RunBatch(check + QStringList{"--settings", settings});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_THAT(result.err, HasSubstr("The settings file " + settings.toStdString() +
                                    " holds a password and can be read by other users"));

  WriteFile(settings, ini);
  result = RunBatch(check + QStringList{"--settings", settings});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_THAT(result.err, Not(HasSubstr("can be read by other users")));

  WriteFile(password, "kestrel\n", /*others_may_read=*/true);
  result =
      RunBatch(check + QStringList{"--gateway", gateway.QAddress(), "--password-file", password});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_THAT(result.err, HasSubstr("The password file " + password.toStdString() +
                                    " holds a password and can be read by other users"));

  WriteFile(password, "kestrel\n");
  result =
      RunBatch(check + QStringList{"--gateway", gateway.QAddress(), "--password-file", password});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_THAT(result.err, Not(HasSubstr("can be read by other users")));
}

}  // namespace
}  // namespace kestrel::testing
