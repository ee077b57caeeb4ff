#include "sim/mml_dialogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrel::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

class MmlDialogueTest : public ::testing::Test {
 protected:
  MmlDialogueTest()
      : scenario(
            Scenario::FromJson(R"({"page_length": 200, "elements": [{"name": "BSC9", "type": "BSC",
          "cells": [{"name": "C09101A", "tg": 12, "outage": true},
                    {"name": "C09102A", "tg": 13, "nch_tch": "0"}],
          "objects": [{"mo": "RXOTS-12-0-1", "fault": "TS SYNC FAULT"},
                      {"mo": "RXOTRX-12-1", "fault": "PERMANENT FAULT"},
                      {"mo": "RXOCF-12", "fault": "PERMANENT FAULT", "repairable": false}]}]})")),
        dialogue(
            scenario, *scenario.Find("BSC9"), faults, [] { return std::string("261206 093001"); },
            [this](const std::string& event) { events.push_back(event); }) {}

  std::string Confirmed(const std::string& order) {
    EXPECT_EQ(dialogue.Answer(order), "\r\n<");  // the exchange waits for ";"
    return dialogue.Answer(";");
  }

  Scenario scenario;
  Faults faults;
  std::vector<std::string> events;
  MmlDialogue dialogue;
};

TEST_F(MmlDialogueTest, OrdersActOnlyOnceConfirmed) {
  dialogue.Answer("RXBLI:MO=RXOTRX-12-1,FORCE;");
  dialogue.Answer("RXASP:MOTY=RXOTG;");  // anything but ";" leaves the order undone
  EXPECT_THAT(events, ElementsAre("not confirmed: RXBLI:MO=RXOTRX-12-1,FORCE;"));
  EXPECT_FALSE(scenario.Find("BSC9")->Object("RXOTRX-12-1")->blocked);
  EXPECT_EQ(Confirmed("RXBLI:MO=RXOTRX-12-1,FORCE;"), "\r\nEXECUTED\r\n\r\n<");
  EXPECT_TRUE(scenario.Find("BSC9")->Object("RXOTRX-12-1")->blocked);
}

TEST_F(MmlDialogueTest, DeblockRepairsWhatCanBeRepaired) {
  Confirmed("RXBLI:MO=RXOTRX-12-1,FORCE;");
  Confirmed("RXBLE:MO=RXOTRX-12-1;");
  // A timeslot needs a test while blocked; a central function here cannot be mended.
  Confirmed("RXBLI:MO=RXOTS-12-0-1,FORCE;");
  Confirmed("RXBLE:MO=RXOTS-12-0-1;");
  Confirmed("RXBLI:MO=RXOCF-12,FORCE;");
  Confirmed("RXBLE:MO=RXOCF-12;");
  const std::string situation = dialogue.Answer("RXASP:MOTY=RXOTG;");
  EXPECT_THAT(situation, Not(HasSubstr("RXOTRX-12-1")));
  EXPECT_THAT(situation, HasSubstr("RXOTS-12-0-1       TS SYNC FAULT\r\n"));
  EXPECT_THAT(situation, HasSubstr("RXOCF-12           PERMANENT FAULT\r\n"));

  EXPECT_THAT(dialogue.Answer("RXLTI:MO=RXOTS-12-0-1;"), HasSubstr("NOT BLOCKED"));
  Confirmed("RXBLI:MO=RXOTS-12-0-1,FORCE;");
  EXPECT_THAT(dialogue.Answer("RXLTI:MO=RXOTS-12-0-1;"), HasSubstr("EXECUTED"));
  Confirmed("RXBLE:MO=RXOTS-12-0-1;");
  EXPECT_THAT(dialogue.Answer("RXASP:MOTY=RXOTG;"), Not(HasSubstr("RXOTS-12-0-1")));
  EXPECT_THAT(events, ::testing::Contains("repaired RXOTS-12-0-1"));
}

TEST_F(MmlDialogueTest, ObjectsOfOtherTgsAreRefused) {
  EXPECT_THAT(dialogue.Answer("RXBLI:MO=RXOTRX-99-0,FORCE;"), HasSubstr("NOT ACCEPTED"));
  EXPECT_THAT(Confirmed("RXBLI:MO=RXOTRX-13-0,FORCE;"),
              HasSubstr("EXECUTED"));  // healthy, known TG
}

// The outage list holds the cells in outage only; the faulty objects are those of the TG asked
// for; the cell's own TG; a cell's channels as the scenario sets them; an unknown cell is said.
TEST_F(MmlDialogueTest, PrintoutsOfTheRecovery) {
  const std::string outage = dialogue.Answer("ALLIP:ALCAT=KESINTI;");
  EXPECT_THAT(outage, HasSubstr("\r\nC09101A          SDCCH\r\n"));
  EXPECT_THAT(outage, Not(HasSubstr("C09102A")));
  EXPECT_THAT(dialogue.Answer("RXTCP:MOTY=RXOTG,CELL=C09101A;"),
              HasSubstr("RXOTG-12         C09101A"));
  EXPECT_THAT(dialogue.Answer("RXMFP:MO=RXOTG-12,SUBORD,FAULTY;"), HasSubstr("RXOCF-12"));
  EXPECT_THAT(dialogue.Answer("RXMFP:MO=RXOTG-13,SUBORD,FAULTY;"), Not(HasSubstr("RXO")));
  EXPECT_THAT(dialogue.Answer("RLSLP:CELL=C09102A;"), HasSubstr("TCH     FR      1      0      4"));
  EXPECT_THAT(dialogue.Answer("RLSLP:CELL=C09199A;"), HasSubstr("CELL NOT DEFINED"));
  // Busy the number of times asked, then the list.
  faults.busy_allip = 1;
  EXPECT_EQ(dialogue.Answer("ALLIP:ALCAT=KESINTI;"), "\r\nFUNCTION BUSY\r\n\r\n<");
  EXPECT_THAT(dialogue.Answer("ALLIP:ALCAT=KESINTI;"), EndsWith("END\r\n\r\n<"));
}

}  // namespace
}  // namespace kestrel::sim

namespace kestrel::sim {
namespace {

TEST(MmlDialogueAlarms, AlarmListSolutionsAndEvents) {
  Scenario scenario =
      Scenario::FromJson(R"({"page_length": 200, "elements": [{"name": "MSC9", "type": "MSC",
      "alarms": [{"class": "A2/APT", "slogan": "SEIZURE SUPERVISION", "cleared_by": "SETAR"},
                 {"class": "O1/APZ", "slogan": "APPLICATION DETECTED SOFTWARE ERROR", "cleared_by": "SYRAE"}],
      "events": ["H'2F1A"], "extra_alarms": 2}]})");
  Faults faults;
  std::vector<std::string> events;
  MmlDialogue dialogue(
      scenario, *scenario.Find("MSC9"), faults, [] { return std::string("261206 093001"); },
      [&](const std::string& event) { events.push_back(event); });
  const std::string list = dialogue.Answer("ALLIP;");
  EXPECT_THAT(
      list,
      HasSubstr("A2/APT \"MSC9    12/00/0\" 101 261206   0930\r\nSEIZURE SUPERVISION\r\n\r\n"));
  EXPECT_THAT(list, HasSubstr("DOOR OPEN SITE 1\r\n"));  // an extra alarm

  EXPECT_THAT(dialogue.Answer("SETAR;"), HasSubstr("EXECUTED"));
  EXPECT_THAT(dialogue.Answer("ALLIP;"), Not(HasSubstr("SEIZURE SUPERVISION")));
  EXPECT_THAT(dialogue.Answer("SYRIP:SURVEY;"), HasSubstr("H'2F1A      SOFTWARE ERROR\r\n"));
  EXPECT_EQ(dialogue.Answer("SYRAE:EVENT=H'2F1A;"), "\r\n<");  // asks for ";"
  dialogue.Answer(";");
  EXPECT_THAT(dialogue.Answer("SYRIP:SURVEY;"), Not(HasSubstr("H'2F1A")));
  EXPECT_THAT(dialogue.Answer("ALLIP;"), Not(HasSubstr("SOFTWARE ERROR")));
  EXPECT_THAT(events, ::testing::Contains("cleared SEIZURE SUPERVISION"));
}

}  // namespace
}  // namespace kestrel::sim

namespace kestrel::sim {
namespace {

class MmlDialogueFaultsTest : public MmlDialogueTest {
 protected:
  bool Blocked(const char* object) { return scenario.Find("BSC9")->Object(object)->blocked; }
};

TEST_F(MmlDialogueFaultsTest, RefusalsComeInsteadOfTheAnswerAndInAnyCase) {
  faults.refuse = {"rlslp"};
  faults.busy = {"RXASP"};
  faults.unknown = {"RXTCP:MOTY"};
  EXPECT_EQ(dialogue.Answer("RLSLP:CELL=ALL;"),
            "\r\nNOT ACCEPTED\r\nFAULT CODE 1\r\nUNREASONABLE VALUE\r\n\r\n<");
  EXPECT_EQ(dialogue.Answer("rxasp:moty=rxotg;"), "\r\nFUNCTION BUSY\r\n\r\n<");
  EXPECT_EQ(dialogue.Answer("RXTCP:MOTY=RXOTG,CELL=C09101A;"), "\r\nCOMMAND UNKNOWN\r\n\r\n<");
  // Only lines that start with the text.
  EXPECT_THAT(dialogue.Answer("RXMFP:MO=RXOTG-12,SUBORD,FAULTY;"), EndsWith("END\r\n\r\n<"));
  EXPECT_THAT(events, ::testing::Contains("refused RXASP:MOTY=RXOTG;"));
}

TEST_F(MmlDialogueFaultsTest, RefusedOrderIsNeverAskedToBeConfirmedNorCarriedOut) {
  faults.refuse = {"RXBLI"};
  EXPECT_THAT(dialogue.Answer("RXBLI:MO=RXOTRX-12-1,FORCE;"), HasSubstr("NOT ACCEPTED"));
  EXPECT_THAT(dialogue.Answer(";"), Not(HasSubstr("EXECUTED")));
  EXPECT_FALSE(Blocked("RXOTRX-12-1"));
  // A refused line also ends a confirmation that was awaited.
  faults.refuse = {"RXASP"};
  EXPECT_EQ(dialogue.Answer("TPBLI:ETC=1;"), "\r\n<");
  dialogue.Answer("RXASP:MOTY=RXOTG;");
  EXPECT_THAT(events, ::testing::Contains("not confirmed: TPBLI:ETC=1;"));
}

TEST_F(MmlDialogueFaultsTest, RefusedConfirmationLeavesTheOrderUndone) {
  faults.refuse_confirmation = {"RXBLI"};
  EXPECT_EQ(dialogue.Answer("RXBLI:MO=RXOTRX-12-1,FORCE;"), "\r\n<");
  const std::string confirmed = dialogue.Answer(";");
  EXPECT_EQ(confirmed, "\r\nNOT ACCEPTED\r\nFAULT CODE 31\r\nFUNCTION NOT PERFORMED\r\n\r\n<");
  EXPECT_FALSE(Blocked("RXOTRX-12-1"));
  EXPECT_THAT(events, ::testing::Contains("confirmation refused: RXBLI:MO=RXOTRX-12-1,FORCE;"));
  faults.refuse_confirmation.clear();
  EXPECT_EQ(Confirmed("RXBLI:MO=RXOTS-12-0-1,FORCE;"), "\r\nEXECUTED\r\n\r\n<");
  faults.refuse = {";"};  // refusing ";" itself refuses every confirmation
  EXPECT_EQ(dialogue.Answer("RXBLE:MO=RXOTS-12-0-1;"), "\r\n<");
  EXPECT_THAT(dialogue.Answer(";"), HasSubstr("FAULT CODE 1"));
  EXPECT_TRUE(Blocked("RXOTS-12-0-1"));
}

TEST_F(MmlDialogueFaultsTest, EndlessPrintoutStartsWithItsFirstPage) {
  faults.endless_printout = {"ALLIP:ALCAT"};
  EXPECT_THAT(dialogue.Answer("ALLIP;"), EndsWith("END\r\n\r\n<"));
  EXPECT_FALSE(dialogue.Endless());
  const std::string first = dialogue.Answer("ALLIP:ALCAT=KESINTI;");
  EXPECT_TRUE(dialogue.Endless());
  EXPECT_THAT(first, Not(HasSubstr("END")));
  EXPECT_THAT(first, Not(HasSubstr("<")));
  EXPECT_THAT(dialogue.MoreOfEndlessPrintout(), ::testing::StartsWith("WO      BSC9"));
}

// Object names, alarm rows and texts of a scenario may hold ";": the printouts show them as
// they are.
TEST(MmlDialogueScenarioTexts, SemicolonsInScenarioValuesArePrintedUnchanged) {
  Scenario scenario = Scenario::FromJson(R"({"page_length": 200, "elements": [{"name": "BSC9",
      "cells": [{"name": "C0;9", "tg": 12,
                 "messages": [{"id": "50", "code": "7", "text": "A;B;"}]}],
      "objects": [{"mo": "RXOTS-12-0-1;X", "fault": "FAULT; SEE LOG"}],
      "alarms": [{"slogan": "SLOGAN;", "details": ["ROW;1", ";"]}]}]})");
  Faults faults;
  MmlDialogue dialogue(
      scenario, *scenario.Find("BSC9"), faults, [] { return std::string("261206 093001"); },
      [](const std::string&) {});
  EXPECT_THAT(dialogue.Answer("RLSLP:CELL=ALL;"), HasSubstr("\r\nC0;9       \r\n"));
  EXPECT_THAT(dialogue.Answer("RXASP:MOTY=RXOTG;"),
              HasSubstr("\r\nRXOTS-12-0-1;X     FAULT; SEE LOG\r\n"));
  EXPECT_THAT(dialogue.Answer("ALLIP;"), HasSubstr("\r\nSLOGAN;\r\n\r\nROW;1\r\n;\r\n"));
  EXPECT_THAT(dialogue.Answer("RLMBP:ID=50,CODE=7,GS=0;"), HasSubstr("\r\nA;B;\r\n"));
}

}  // namespace
}  // namespace kestrel::sim
