#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SolutionsTest : public DailyCheckTest {
 protected:
  // Scans `alarms` as the alarm list of BSC9 and returns the queue it left.
  std::vector<std::string> Queued(const std::string& alarms) {
    Start({"BSC9"});
    telnet.Receive(AlarmList(alarms));
    return page.Memokom.Lines();
  }
};

TEST_F(SolutionsTest, SeqarTakesTenCharactersOfTheThirdRowUntrimmed) {
  EXPECT_THAT(Queued(Alarm("SEIZURE QUALITY SUPERVISION", "ROUTE      DEV\r\nROUTE7    x")),
              ElementsAre("SEQAR:R=ROUTE7    ;"));
  EXPECT_THAT(page.Memoreportdc.Lines(), ElementsAre("BSC9: SEQAR:R=ROUTE7    ; 14:07:30"));
}

TEST_F(SolutionsTest, SeqarRowsMovePastAPageHeader) {
  EXPECT_THAT(Queued("A2/APT \"BSC9\" 1 261205 1407\r\nSEIZURE QUALITY SUPERVISION\r\n"
                     "WO      BSC9\r\n\r\nROUTE\r\nOUT12\r\n"),
              ElementsAre("SEQAR:R=OUT12;"));
}

TEST_F(SolutionsTest, SetarOnlyWhenNothingFollowsTheSlogan) {
  EXPECT_THAT(Queued(Alarm("SEIZURE SUPERVISION   ") + Alarm("SEIZURE SUPERVISION OF ROUTE") +
                     Alarm("SEIZURE QUALITY SUPERVISION") + Alarm("SEIZURE SUPERVISION")),
              ElementsAre("SETAR;", "SETAR;"));
  // SEQAR takes its third row as it stands: here the next alarm's header, no route name.
  EXPECT_THAT(page.Memoreportdc.Lines(),
              Contains("BSC9: SEQAR not queued: \"A2/APT \"BS\" is not a route name 14:07:30"));
}

TEST_F(SolutionsTest, PermanentFaultTakesColumnsSevenToTen) {
  page.PermanentCheckBox.SetChecked(true);
  EXPECT_THAT(
      Queued("RXOCF-12   PERMANENT FAULT\r\n"),
      ElementsAre("RXBLI:MO=RXOCF-12  ;", ";", "\x04", "RXBLE:MO=RXOCF-12  ;", ";", "\x04"));
  EXPECT_THAT(page.Memoreportdc.Lines(), ElementsAre("BSC9: Permanent: MO=RXOCF-12    14:07:30"));
}

TEST_F(SolutionsTest, NearEndIsLeftAloneWhenItsBoxIsClear) {
  page.PermanentCheckBox.SetChecked(true);
  page.NearendCheckBox.SetChecked(false);
  EXPECT_THAT(
      Queued(Alarm("NEAR END") + "RXOCF-3    PERMANENT FAULT\r\n"),
      ElementsAre("RXBLI:MO=RXOCF-3   ;", ";", "\x04", "RXBLE:MO=RXOCF-3   ;", ";", "\x04"));
}

TEST_F(SolutionsTest, NearEndBlocksDeblocksAndBlocksThePath) {
  const std::string path = "SDIP=RSDIP12,LP=VC12-1 ;";
  EXPECT_THAT(Queued("NEAR END\r\n\r\nSDIP    LAYER   STATE\r\nRSDIP12 VC12-1  UNAV\r\n"),
              ElementsAre("TPBLI:" + path, ";", "\x04", "TPBLE:" + path, "\x04", "TPBLI:" + path,
                          ";", "\x04"));
  EXPECT_EQ(
      page.Memoreportdc.Lines().back(),
      "BSC9: SYNCHRONOUS DIGITAL PATH UNAVAILABLE STATE FAULT: SDIP=RSDIP12,LP=VC12-1  14:07:30");
}

TEST_F(SolutionsTest, NearEndWithoutSdipHeadingTakesTheStartOfTheLine) {
  EXPECT_THAT(Queued("NEAR END\r\n\r\nPATH    LAYER   STATE\r\nSDIP7   VC4\r\n"),
              ElementsAre("TPBLI:SDIP=SDIP7  ,LP=VC4;", ";", "\x04", "TPBLE:SDIP=SDIP7  ,LP=VC4;",
                          "\x04", "TPBLI:SDIP=SDIP7  ,LP=VC4;", ";", "\x04"));
}

TEST_F(SolutionsTest, EnumReadsTheSecondRowAtTheSloganColumn) {
  EXPECT_THAT(Queued("  CCITT7 EVENT REPORTING THRESHOLD REACHED\r\n  ENUM\r\n  2301\r\n"),
              ElementsAre("C7ERR:ENUM=2301;"));
  EXPECT_THAT(page.Memoreportdc.Lines(), ElementsAre("BSC9: C7ERR:ENUM=2301; 14:07:30"));
}

TEST_F(SolutionsTest, SoftwareErrorSurveyAndItsEventCodes) {
  page.SoftErrorCheckBox.SetChecked(true);
  EXPECT_THAT(Queued(Alarm("APPLICATION DETECTED SOFTWARE ERROR")),
              ElementsAre("SYRIP:SURVEY;", "\x04"));
  EXPECT_TRUE(page.Memoreportdc.Lines().empty());  // no line of its own
  // The survey names three events: each event code queues a SYRAE triple and a report line;
  // what is no event code is noted and not sent.
  telnet.Receive(
      "SYRIP:SURVEY;\r\nEVENT CODE\r\nH'2F1A\r\n\r\nEVENT CODE\r\nWO      BSC9\r\n  17  "
      "\r\n\r\nEVENT CODE\r\nH'3\r\nEND\r\n\r\n<");
  EXPECT_THAT(page.Memokom.Lines(), ElementsAre("\x04", "SYRAE:EVENT=H'2F1A;", ";", "\x04",
                                                "SYRAE:EVENT=H'3;", ";", "\x04"));
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("BSC9: SOFTWARE ERROR, EVET=H'2F1A 14:07:30",
                          "BSC9: SYRAE not queued: \"17\" is not an event code 14:07:30",
                          "BSC9: SOFTWARE ERROR, EVET=H'3 14:07:30"));
}

// Every warning and solution line of the report is a result too, with the class of the
// alarm it belongs to (its header line, or the nearest above its slogan) and its slogan;
// the follow-up of a software error event belongs to no alarm of the list.
TEST_F(SolutionsTest, EveryWarningAndSolutionLineIsAResultOfItsAlarm) {
  page.RecordResults = true;
  page.SoftErrorCheckBox.SetChecked(true);
  Queued(
      "O1/APT \"BSC9\" 1 261205 1407\r\nSEIZURE SUPERVISION\r\n\r\n\r\n"
      "A3/EXT \"BSC9\" 2 261205 1407\r\nEXTERNAL ALARM\r\n\r\nDOOR, \"OPEN\"\r\n\r\n"
      "A2/APT \"BSC9\" 3 261205 1407\r\nWO      BSC9\r\nSEIZURE QUALITY SUPERVISION\r\n\r\n"
      "ROUTE      DEV\r\nROUTE7     12\r\n\r\n"
      "A1/APZ \"BSC9\" 4 261205 1407\r\nAPPLICATION DETECTED SOFTWARE ERROR\r\n\r\n");
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

TEST_F(SolutionsTest, SaeQueuesItsFixedSequence) {
  page.SaeCheckBox.SetChecked(true);
  EXPECT_THAT(Queued(Alarm("SIZE ALTERATION OF DATA FILES SIZE")),
              ElementsAre("DBTSP:TAB=SAACTIONS;", "SAALI;", ";", "\x04"));
  EXPECT_THAT(page.Memoreportdc.Lines(), ElementsAre("BSC9: SAE 14:07:30"));
}

TEST_F(SolutionsTest, NothingTickedQueuesNothing) {
  for (auto* box :
       {&page.SeqarCheckBox, &page.SetarCheckBox, &page.NearendCheckBox, &page.EnumCheckBox}) {
    box->SetChecked(false);
  }
  EXPECT_THAT(Queued(Alarm("SEIZURE SUPERVISION") + Alarm("NEAR END")), IsEmpty());
  EXPECT_THAT(files.written, IsEmpty());
}

TEST_F(SolutionsTest, ValuesThatDoNotFitAreNotedAndNeverReachTheWire) {
  page.PermanentCheckBox.SetChecked(true);
  EXPECT_THAT(Queued(Alarm("SEIZURE QUALITY SUPERVISION", "ROUTE      DEV\r\nR1;SYRES:;") +
                     Alarm("SEIZURE QUALITY SUPERVISION", "ROUTE      DEV\r\nR\x1b[2J") +
                     "  CCITT7 EVENT REPORTING THRESHOLD REACHED\r\n  ENUM\r\n  1,X=\r\n\r\n" +
                     "RXOCF-1;  PERMANENT FAULT\r\n\r\n" +
                     "NEAR END\r\n\r\nSDIP    LAYER   STATE\r\nA;B     VC4\r\n\r\n" +
                     "NEAR END\r\n\r\nSDIP    LAYER   STATE\r\nRSDIP12 VC4,X\r\n"),
              IsEmpty());
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "pw", "NE=BSC9", "ALLIP;"));
  EXPECT_THAT(
      page.Memoreportdc.Lines(),
      ElementsAre("BSC9: SEQAR not queued: \"R1;SYRES:;\" is not a route name 14:07:30",
                  "BSC9: SEQAR not queued: \"R?[2J\" is not a route name 14:07:30",
                  "BSC9: C7ERR not queued: \"1,X=\" is not an ENUM number 14:07:30",
                  "BSC9: RXBLI and RXBLE of RXOCF not queued: \"1;  \" is not an object number "
                  "14:07:30",
                  "BSC9: TPBLI and TPBLE not queued: \"A;B    \" is not an SDIP name 14:07:30",
                  "BSC9: TPBLI and TPBLE not queued: \"VC4,X\" is not a layer path name "
                  "14:07:30"));
  EXPECT_EQ(page.Outcomes.Find("BSC9")->problems.size(), 6u);
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
