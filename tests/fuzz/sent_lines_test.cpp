#include "tests/fuzz/sent_lines.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel::fuzz {
namespace {

const Login kLogin{"ops1", "s3cret", {"BSC9", "RIVBSC4_X29,PROT=V24"}};

std::string Fault(Page page, std::string_view line) { return SentLineFault(page, kLogin, line); }

void ExpectSent(Page page, std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) EXPECT_EQ(Fault(page, line), "") << line;
}

void ExpectFault(Page page, std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) EXPECT_NE(Fault(page, line), "") << line;
}

TEST(SentLines, EveryPageAnswersTheLoginWithTheSettingsAndAChosenElement) {
  for (Page page : {Page::kProses, Page::kDailyCheck, Page::kRlslp, Page::kBroadcast,
                    Page::kNeighbours, Page::kRelocation}) {
    ExpectSent(page, {"ops1", "s3cret", "NE=BSC9", "NE=RIVBSC4_X29,PROT=V24"});
    ExpectFault(page, {"NE=BSC10", "NE=", "NE=BSC9;", "ops", "s3cret ", "NE=bsc9"});
  }
}

TEST(SentLines, WithoutAPasswordAnEmptyLineIsNoLoginAnswer) {
  const Login login{"ops1", "", {"BSC9"}};
  EXPECT_NE(SentLineFault(Page::kRlslp, login, ""), "");
  EXPECT_EQ(SentLineFault(Page::kRlslp, login, "ops1"), "");
}

TEST(SentLines, OnlyTheDialoguePagesSendEmptyLinesConfirmationsAndCtrlD) {
  for (Page page : {Page::kProses, Page::kDailyCheck}) ExpectSent(page, {"", ";", "\x04"});
  for (Page page : {Page::kRlslp, Page::kBroadcast, Page::kNeighbours, Page::kRelocation}) {
    ExpectFault(page, {"", ";", "\x04"});
  }
}

TEST(SentLines, ControlCharactersAreFaultsEverywhereButCtrlDAlone) {
  ExpectFault(Page::kProses, {"\x04\x04", "RLSLP:CELL=C1\x04;", "\x1b[2J", "ALLIP:ALCAT=KESINTI;\t",
                              std::string_view("\0", 1), "RXBLE:MO=RXOTS-1-0-1\x7f;", "\r"});
  EXPECT_NE(Fault(Page::kProses, "ops1\x01").find("0x01 at 4"), std::string::npos);
}

TEST(SentLines, ProsesCommandsOfBothProcedures) {
  ExpectSent(Page::kProses,
             {"ALLIP:ALCAT=KESINTI;", "RLSLP:CELL=C09101A;", "RXTCP:MOTY=RXOTG,CELL=C09101A;",
              "RXMFP:MO=RXOTG-12,SUBORD,FAULTY;", "RXBLI:MO=RXOTS-12-0-1,FORCE;",
              "RXESE:MO=RXOTRX-12-1;", "RXTEI:MO=RXOTS-12-0-1;", "RXESI:MO=RXOCF-12;",
              "RXBLE:MO=RXOTX-12-0;", "RXASP:MOTY=RXOTG;", "RXLTI:MO=RXOTS-12-0-1;"});
  ExpectFault(Page::kProses, {"ALLIP;",
                              "ALLIP:ALCAT=ALL;",
                              "RLSLP:CELL=C09101A",
                              "RLSLP:CELL=C0910;1A;",
                              "RLSLP:CELL=C09101ABC;",
                              "RXTCP:CELL=C09101A,MOTY=RXOTG;",
                              "RXMFP:MO=RXOTG-12,FAULTY,SUBORD;",
                              "RXMFP:MO=RXOTG-X,SUBORD,FAULTY;",
                              "RXMFP:MO=RXOTG-12;",
                              "RXBLI:MO=RXOTS-12-0-1;",
                              "RXBLI:MO=RXOTS-12-0-1,FORCE,X;",
                              "RXBLE:MO=RXOTS-12-0-1,FORCE;",
                              "RXBLE:MO=RXOTS-12-0-1 ;",
                              "RXBLE:MO=ALL;",
                              "RXESE:MO=RXOTS-1;RXBLE:MO=RXOTS-2;",
                              "RXASP:MOTY=RXOTG,SUBORD;",
                              "rxasp:moty=rxotg;",
                              "RXLTI:MO=;",
                              "RLSLP:CELL=ALL;X",
                              "SETAR;",
                              "RLBDP:CELL=ALL;"});
}

TEST(SentLines, DailyCheckSolutions) {
  ExpectSent(Page::kDailyCheck,
             {"ALLIP;", "SEQAR:R=ROUTE7    ;", "SETAR;", "SYRIP:SURVEY;", "RXBLI:MO=RXOCF-12  ;",
              "RXBLE:MO=RXOCF-3;", "TPBLI:SDIP=RSDIP12,LP=VC12-1 ;", "TPBLE:SDIP=A.1    ,LP=B;",
              "C7ERR:ENUM=2301;", "C7ERR:ENUM=23  ;", "DBTSP:TAB=SAACTIONS;", "SAALI;",
              "SYRAE:EVENT=H'2F1A;"});
  ExpectFault(Page::kDailyCheck,
              {"ALLIP:ALCAT=KESINTI;", "SEQAR:R=ROUTE7,X=1;", "SEQAR:R=;", "SEQAR:R= R1;", "SYRIP;",
               "SYRIP:SURVEY,X;", "RXBLI:MO=RXOCF-12,FORCE;", "RXBLI:MO=RXOTS-1-0-1;",
               "RXBLE:MO=RXOCF-12345;", "TPBLI:SDIP=RSDIP12;", "TPBLI:LP=VC12-1,SDIP=RSDIP12;",
               "TPBLE:SDIP=R S,LP=B;", "C7ERR:ENUM=12345;", "C7ERR:ENUM=H'12;", "DBTSP:TAB=OTHER;",
               "SYRAE:EVENT=2F1A;", "SYRAE:EVENT=H'2F1A,X;", "SETAR:;", "RLSLP:CELL=C1;"});
}

TEST(SentLines, RlslpAndBroadcastChecks) {
  ExpectSent(Page::kRlslp, {"RLSLP:CELL=ALL;"});
  ExpectFault(Page::kRlslp, {"RLSLP:CELL=C1;", "RLSLP:CELL=ALL,X;", "RLBDP:CELL=ALL;"});
  ExpectSent(Page::kBroadcast, {"RLBDP:CELL=ALL;", "RLMTP:CELL=C09101A,ID=ALL;",
                                "RLMBP:ID=50,CODE=12345,GS=0;", "RLMBP:ID=50,CODE=7,GS=0;"});
  ExpectFault(Page::kBroadcast,
              {"RLBDP:CELL=C1;", "RLMTP:CELL=ALL A,ID=ALL;", "RLMTP:CELL=C1,ID=50;",
               "RLMBP:ID=50,CODE=123456,GS=0;", "RLMBP:ID=50,CODE=1,GS=1;",
               "RLMBP:ID=50,GS=0,CODE=1;", "RLSLP:CELL=ALL;"});
}

TEST(SentLines, CellDataOfBothNeighbourPages) {
  ExpectSent(Page::kNeighbours,
             {"RLDEP:CELL=C09101A;", "RLCPP:CELL=C09101A;", "RLLOP:CELL=C1;", "RLLHP:CELL=C_1;"});
  ExpectFault(Page::kNeighbours,
              {"RLDEP:CELL=;", "RLCPP:CELL=C1,X;", "RLNRP:CELL=C1,CELLR=ALL,NODATA;"});
  ExpectSent(Page::kRelocation, {"RLNRP:CELL=C09101A,CELLR=ALL,NODATA;", "RLDEP:CELL=C12101A;"});
  ExpectFault(Page::kRelocation,
              {"RLNRP:CELL=C1,CELLR=C2,NODATA;", "RLNRP:CELL=C1,CELLR=ALL;",
               "RLNRP:CELL=C1,CELLR=ALL,NODATA,X;", "RLCPP:CELL=C1;", "RLDEP:CELL=C1 ;"});
}

TEST(SentLines, AFaultSaysWhatIsWrong) {
  EXPECT_EQ(Fault(Page::kProses, "RXBLI:MO=RXOTS-1;X,FORCE;"),
            "MO value \"RXOTS-1;X\" is not a managed object");
  EXPECT_EQ(Fault(Page::kRlslp, "SETAR;"), "\"SETAR\" is not a command this page sends");
  EXPECT_EQ(Fault(Page::kProses, "RXMFP:MO=RXOTG-12;"), "has 1 parameters where the page builds 3");
  EXPECT_EQ(Fault(Page::kBroadcast, "NE=BSC10"),
            "selects the element \"BSC10\", which was not chosen");
}

}  // namespace
}  // namespace kestrel::fuzz
