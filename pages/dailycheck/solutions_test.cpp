#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::ElementsAre;

enum Boxes { kDefault = 0, kPermanent = 1, kNoNearEnd = 2, kSae = 4, kNone = 8 };

std::vector<std::string> Lines(std::vector<std::string> lines) {
  for (auto& line : lines) line = "BSC9: " + line + " 14:07:30";
  return lines;
}

// What each alarm queues and reports, read from the rows of the alarm list as printed; a value
// that does not fit its order is noted and never queued.
TEST(Solutions, EachAlarmQueuesItsOrdersFromItsRows) {
  const std::string path = "SDIP=RSDIP12,LP=VC12-1 ;";
  const std::string sdip7 = "SDIP=SDIP7  ,LP=VC4;";
  const std::vector<std::string> rxocf12 = {"RXBLI:MO=RXOCF-12  ;", ";", "\x04",
                                            "RXBLE:MO=RXOCF-12  ;", ";", "\x04"};
  const struct {
    const char* name;
    int boxes;
    std::string alarms;
    std::vector<std::string> queued;
    std::vector<std::string> report;
  } rows[] = {
      {"SEQAR takes ten characters of the third row",
       kDefault,
       Alarm("SEIZURE QUALITY SUPERVISION", "ROUTE      DEV\r\nROUTE7    x"),
       {"SEQAR:R=ROUTE7    ;"},
       Lines({"SEQAR:R=ROUTE7    ;"})},
      {"SEQAR rows move past a page header",
       kDefault,
       "A2/APT \"BSC9\" 1 261205 1407\r\nSEIZURE QUALITY SUPERVISION\r\nWO      BSC9\r\n\r\n"
       "ROUTE\r\nOUT12\r\n",
       {"SEQAR:R=OUT12;"},
       Lines({"SEQAR:R=OUT12;"})},
      {"SETAR only when nothing follows the slogan",
       kDefault,
       Alarm("SEIZURE SUPERVISION   ") + Alarm("SEIZURE SUPERVISION OF ROUTE") +
           Alarm("SEIZURE QUALITY SUPERVISION") + Alarm("SEIZURE SUPERVISION"),
       {"SETAR;", "SETAR;"},
       Lines({"SETAR;", "SEQAR not queued: \"A2/APT \"BS\" is not a route name", "SETAR;"})},
      {"permanent fault takes columns seven to ten", kPermanent, "RXOCF-12   PERMANENT FAULT\r\n",
       rxocf12, Lines({"Permanent: MO=RXOCF-12   "})},
      {"near end left alone with its box clear", kPermanent | kNoNearEnd,
       Alarm("NEAR END") + "RXOCF-12   PERMANENT FAULT\r\n", rxocf12,
       Lines({"Permanent: MO=RXOCF-12   "})},
      {"near end blocks, deblocks and blocks the path",
       kDefault,
       "NEAR END\r\n\r\nSDIP    LAYER   STATE\r\nRSDIP12 VC12-1  UNAV\r\n",
       {"TPBLI:" + path, ";", "\x04", "TPBLE:" + path, "\x04", "TPBLI:" + path, ";", "\x04"},
       Lines({"SYNCHRONOUS DIGITAL PATH UNAVAILABLE STATE FAULT: SDIP=RSDIP12,LP=VC12-1 "})},
      {"near end without an SDIP heading takes the start of the line",
       kDefault,
       "NEAR END\r\n\r\nPATH    LAYER   STATE\r\nSDIP7   VC4\r\n",
       {"TPBLI:" + sdip7, ";", "\x04", "TPBLE:" + sdip7, "\x04", "TPBLI:" + sdip7, ";", "\x04"},
       Lines({"SYNCHRONOUS DIGITAL PATH UNAVAILABLE STATE FAULT: SDIP=SDIP7  ,LP=VC4"})},
      {"ENUM from the second row at the slogan column",
       kDefault,
       "  CCITT7 EVENT REPORTING THRESHOLD REACHED\r\n  ENUM\r\n  2301\r\n",
       {"C7ERR:ENUM=2301;"},
       Lines({"C7ERR:ENUM=2301;"})},
      {"SAE queues its fixed sequence",
       kSae,
       Alarm("SIZE ALTERATION OF DATA FILES SIZE"),
       {"DBTSP:TAB=SAACTIONS;", "SAALI;", ";", "\x04"},
       Lines({"SAE"})},
      {"nothing ticked queues nothing",
       kNone,
       Alarm("SEIZURE QUALITY SUPERVISION", "ROUTE      DEV\r\nROUTE7    x") + Alarm("NEAR END"),
       {},
       {}},
      {"values that do not fit",
       kPermanent,
       Alarm("SEIZURE QUALITY SUPERVISION", "ROUTE      DEV\r\nR1;SYRES:;") +
           Alarm("SEIZURE QUALITY SUPERVISION", "ROUTE      DEV\r\nR\x1b[2J") +
           "  CCITT7 EVENT REPORTING THRESHOLD REACHED\r\n  ENUM\r\n  1,X=\r\n\r\n" +
           "RXOCF-1;  PERMANENT FAULT\r\n\r\n" +
           "NEAR END\r\n\r\nSDIP    LAYER   STATE\r\nA;B     VC4\r\n\r\n" +
           "NEAR END\r\n\r\nSDIP    LAYER   STATE\r\nRSDIP12 VC4,X\r\n",
       {},
       Lines({"SEQAR not queued: \"R1;SYRES:;\" is not a route name",
              "SEQAR not queued: \"R?[2J\" is not a route name",
              "C7ERR not queued: \"1,X=\" is not an ENUM number",
              "RXBLI and RXBLE of RXOCF not queued: \"1;  \" is not an object number",
              "TPBLI and TPBLE not queued: \"A;B    \" is not an SDIP name",
              "TPBLI and TPBLE not queued: \"VC4,X\" is not a layer path name"})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    PageBench bench;
    auto& page = bench.page;
    page.FilterMemo.SetText("ALL SEIZURE SUPERVISION");  // the report holds solutions only
    page.PermanentCheckBox.SetChecked((row.boxes & kPermanent) != 0);
    page.SaeCheckBox.SetChecked((row.boxes & kSae) != 0);
    if ((row.boxes & (kNoNearEnd | kNone)) != 0) page.NearendCheckBox.SetChecked(false);
    if ((row.boxes & kNone) != 0) {
      for (auto* box : {&page.SeqarCheckBox, &page.SetarCheckBox, &page.EnumCheckBox})
        box->SetChecked(false);
    }
    bench.Start({"BSC9"});
    bench.NewlySent();
    bench.telnet.Receive(AlarmList(row.alarms));
    EXPECT_EQ(page.Memokom.Lines(), row.queued);
    EXPECT_EQ(page.Memoreportdc.Lines(), row.report);
    EXPECT_EQ(page.Outcomes.Find("BSC9")->problems.size(),
              std::count_if(row.report.begin(), row.report.end(), [](const std::string& line) {
                return line.find("not queued") != line.npos;
              }));
    // The first order of the queue is on its way, nothing else.
    EXPECT_EQ(bench.NewlySent(), row.queued.empty() ? std::vector<std::string>{}
                                                    : std::vector<std::string>{row.queued.front()});
  }
}

TEST_F(DailyCheckTest, SoftwareErrorSurveyAndItsEventCodes) {
  page.SoftErrorCheckBox.SetChecked(true);
  Start({"BSC9"});
  telnet.Receive(AlarmList(Alarm("APPLICATION DETECTED SOFTWARE ERROR")));
  EXPECT_THAT(page.Memokom.Lines(), ElementsAre("SYRIP:SURVEY;", "\x04"));
  EXPECT_TRUE(page.Memoreportdc.Lines().empty());  // no line of its own
  // Each event code of the survey queues a SYRAE triple and a report line; what is no event
  // code is noted and not sent.
  telnet.Receive(
      "SYRIP:SURVEY;\r\nEVENT CODE\r\nH'2F1A\r\n\r\nEVENT CODE\r\nWO      BSC9\r\n  17  "
      "\r\n\r\nEVENT CODE\r\nH'3\r\nEND\r\n\r\n<");
  EXPECT_THAT(page.Memokom.Lines(), ElementsAre("\x04", "SYRAE:EVENT=H'2F1A;", ";", "\x04",
                                                "SYRAE:EVENT=H'3;", ";", "\x04"));
  EXPECT_EQ(page.Memoreportdc.Lines(),
            Lines({"SOFTWARE ERROR, EVET=H'2F1A", "SYRAE not queued: \"17\" is not an event code",
                   "SOFTWARE ERROR, EVET=H'3"}));
}

// Every warning and solution line of the report is a result too, with the class of the alarm
// it belongs to (its header line, or the nearest above its slogan) and its slogan; the
// follow-up of a software error event belongs to no alarm of the list.
TEST_F(DailyCheckTest, EveryWarningAndSolutionLineIsAResultOfItsAlarm) {
  page.RecordResults = true;
  page.SoftErrorCheckBox.SetChecked(true);
  Start({"BSC9"});
  telnet.Receive(AlarmList(
      "O1/APT \"BSC9\" 1 261205 1407\r\nSEIZURE SUPERVISION\r\n\r\n\r\n"
      "A3/EXT \"BSC9\" 2 261205 1407\r\nEXTERNAL ALARM\r\n\r\nDOOR, \"OPEN\"\r\n\r\n"
      "A2/APT \"BSC9\" 3 261205 1407\r\nWO      BSC9\r\nSEIZURE QUALITY SUPERVISION\r\n\r\n"
      "ROUTE      DEV\r\nROUTE7     12\r\n\r\n"
      "A1/APZ \"BSC9\" 4 261205 1407\r\nAPPLICATION DETECTED SOFTWARE ERROR\r\n\r\n"));
  telnet.Receive("SETAR;\r\nEXECUTED\r\n\r\n<");
  telnet.Receive("SEQAR:R=ROUTE7    ;\r\nEXECUTED\r\n\r\n<");
  telnet.Receive("SYRIP:SURVEY;\r\nEVENT CODE\r\nH'2F1A\r\nEND\r\n\r\n<");
  std::vector<std::string> results, lines;
  for (const auto& found : page.Results) {
    results.push_back(found.element + "|" + found.time + "|" + found.alarm_class + "|" +
                      found.slogan + "|" + found.kind);
    lines.push_back(found.line);
  }
  EXPECT_THAT(results,
              ElementsAre("BSC9|05.12.2026 14:07:30|O1|SEIZURE SUPERVISION|warning",
                          "BSC9|05.12.2026 14:07:30|O1|SEIZURE SUPERVISION|solution",
                          "BSC9|05.12.2026 14:07:30|A3|EXTERNAL ALARM|warning",
                          "BSC9|05.12.2026 14:07:30|A2|SEIZURE QUALITY SUPERVISION|solution",
                          "BSC9|05.12.2026 14:07:30|||solution"));
  EXPECT_EQ(lines, page.Memoreportdc.Lines());
  EXPECT_EQ(lines.back(), "BSC9: SOFTWARE ERROR, EVET=H'2F1A 14:07:30");
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
