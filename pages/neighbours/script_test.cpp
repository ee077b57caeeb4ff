#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/neighbours/neighbours_test_fixture.h"

namespace kestrel::neighbours::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class ScriptTest : public NeighboursTest {
 protected:
  // Fills the tables as a collection would have, every value telling its side, record and
  // slot: 1205 is slot 5 of record 2 of the Cell side, "r0s3" slot 3 of record 0 of the Cellr
  // side, and the CGI of record 1 of the Cellr side is "400-01-21-2100".
  void Collected(const std::string& cells_text, const std::string& cellrs_text) {
    page.Memocell.SetText(cells_text);
    page.Memocellr.SetText(cellrs_text);
    for (Side* side : {&page.Cell, &page.Cellr}) {
      side->Table.resize(4);
      const int number = side == &page.Cell ? 1 : 2;
      for (std::size_t k = 0; k < 4; ++k) {
        const std::string tag = (side == &page.Cell ? "c" : "r") + std::to_string(k);
        for (int slot = 0; slot < kSlots; ++slot) {
          const int value = number * 1000 + static_cast<int>(k) * 100 + slot;
          std::string& text = side->Table[k][static_cast<std::size_t>(slot)];
          if (slot == kCgi) {
            text = "400-01-" + std::to_string(number * 10 + static_cast<int>(k)) + "-" +
                   std::to_string(value);
          } else if (slot == kCsystype || slot == kAw || slot == kScho) {
            text = tag + "s" + std::to_string(slot);
          } else {
            text = std::to_string(value);
          }
        }
      }
    }
  }
  std::string Script() {
    page.WriteScript();
    return read_form.Memo1.Text();
  }
};

TEST_F(ScriptTest, InternalFormWhenBothSidesAreTheSamePick) {
  Collected("A1\r\nA2\r\n", "B1\r\nB2\r\n");
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(8);
  EXPECT_EQ(Script(),
            "BSC9 ucun script:\r\n\r\n"
            "RLNRI:CELL=A1,CELLR=B1;\r\n"
            "RLMFC:CELL=A1,MBCCHNO=2002,MRNIC;\r\n"
            "RLMFC:CELL=B1,MBCCHNO=1002,MRNIC;\r\n"
            "RLNRC:CELL=A1,CELLR=B1,KHYST=3,LHYST=6,TRHYST=2,CAND=BOTH,AWOFFSET=3,CS=NO;\r\n"
            "RLNRC:CELL=A1,CELLR=B1,HIHYST=3;\r\n"
            "RLSSC:CELL=B1,MBCR=2;\r\n\r\n"
            "RLNRI:CELL=A2,CELLR=B2;\r\n"
            "RLMFC:CELL=A2,MBCCHNO=2102,MRNIC;\r\n"
            "RLMFC:CELL=B2,MBCCHNO=1102,MRNIC;\r\n"
            "RLNRC:CELL=A2,CELLR=B2,KHYST=3,LHYST=6,TRHYST=2,CAND=BOTH,AWOFFSET=3,CS=NO;\r\n"
            "RLNRC:CELL=A2,CELLR=B2,HIHYST=3;\r\n"
            "RLSSC:CELL=B2,MBCR=2;\r\n\r\n"
            "!!! PRINTOUTLAR !!!\r\n\r\n"
            "RLNRP:CELL=A1,CELLR=B1,NODATA;\r\n"
            "RLNRP:CELL=A2,CELLR=B2,NODATA;\r\n");
}

TEST_F(ScriptTest, UntouchedComboBoxesCountAsTheSame) {
  Collected("A1\r\nA1\r\n", "B1\r\nB1\r\n");
  const std::string script = Script();
  EXPECT_TRUE(script.starts_with("ALTBSC1_X29,PROT=V24 ucun script:\r\n"));
  // The internal form writes identical pairs twice.
  std::size_t count = 0;
  for (std::size_t at = 0; (at = script.find("RLNRI:CELL=A1,CELLR=B1;", at)) != std::string::npos;
       ++at)
    ++count;
  EXPECT_EQ(count, 2u);

  page.CellrbscComboBox.SetItemIndex(0);  // picked: the same text, but now a position
  EXPECT_THAT(Script(), HasSubstr("!!! MSC-e tanitim !!!"));
}

// Names typed by hand are compared as names; names picked from the list by their position.
TEST_F(ScriptTest, TwoBscsTypedByHandAreTwoBscs) {
  Collected("A1\r\n", "B1\r\n");
  page.CellbscComboBox.SetText("BSC9");
  page.CellrbscComboBox.SetText("BSC99");
  std::string script = Script();
  EXPECT_TRUE(script.starts_with("BSC99 ucun script:\r\n\r\nRLDEI:CELL=A1,CSYSTYPE=c0s3,EXT;\r\n"));
  EXPECT_THAT(script, HasSubstr("MGOCI:CELL=A1,CGI=400-01-10-1000,MSC=MSC9;"));

  page.CellrbscComboBox.SetText("BSC9");  // the same name typed on both sides
  script = Script();
  EXPECT_TRUE(script.starts_with("BSC9 ucun script:\r\n\r\nRLNRI:CELL=A1,CELLR=B1;\r\n"));

  page.CellrbscComboBox.SetItemIndex(8);  // picked "BSC9": a position against none
  EXPECT_THAT(Script(), HasSubstr("!!! MSC-e tanitim !!!"));
}

TEST_F(ScriptTest, ExternalFormLineForLine) {
  Collected("A1\r\n", "B1\r\n");
  page.CellbscComboBox.SetItemIndex(8);   // BSC9, MSC9
  page.CellrbscComboBox.SetItemIndex(9);  // BSC10, MSC10
  page.Troffsetp.SetText("4");
  EXPECT_EQ(Script(),
            "BSC10 ucun script:\r\n\r\n"
            "RLDEI:CELL=A1,CSYSTYPE=c0s3,EXT;\r\n"
            "RLDEC:CELL=A1,BCCHNO=1002,BSIC=1001,CGI=400-01-10-1000;\r\n"
            "RLCPC:CELL=A1,MSTXPWR=1004;\r\n"
            "RLLOC:CELL=A1,BSPWR=1005,BSTXPWR=1006,BSRXMIN=1007,AW=c0s8,SCHO=c0s9;\r\n"
            "RLLOC:CELL=A1,BSRXSUFF=1010,MSRXMIN=1011,MSRXSUFF=1012,EXTPEN=ON;\r\n"
            "RLLHC:CELL=A1,LAYER=1013,LAYERTHR=1014,LAYERHYST=1015;\r\n"
            "RLNRI:CELL=B1,CELLR=A1,SINGLE;\r\n"
            "RLNRC:CELL=B1,CELLR=A1,CAND=BOTH,TRHYST=2,TROFFSETP=4,LHYST=6,AWOFFSET=3;\r\n"
            "RLMFC:CELL=B1,MBCCHNO=1002,MRNIC;\r\n"
            "RLNRC:CELL=B1,CELLR=A1,HIHYST=3;\r\n\r\n"
            "BSC9 ucun script:\r\n\r\n"
            "RLDEI:CELL=B1,CSYSTYPE=r0s3,EXT;\r\n"
            "RLDEC:CELL=B1,BCCHNO=2002,BSIC=2001,CGI=400-01-20-2000;\r\n"
            "RLCPC:CELL=B1,MSTXPWR=2004;\r\n"
            "RLLOC:CELL=B1,BSPWR=2005,BSTXPWR=2006,BSRXMIN=2007,AW=r0s8,SCHO=r0s9;\r\n"
            "RLLOC:CELL=B1,BSRXSUFF=2010,MSRXMIN=2011,MSRXSUFF=2012,EXTPEN=ON;\r\n"
            "RLLHC:CELL=B1,LAYER=2013,LAYERTHR=2014,LAYERHYST=2015;\r\n"
            "RLNRI:CELL=A1,CELLR=B1,SINGLE;\r\n"
            "RLNRC:CELL=A1,CELLR=B1,CAND=BOTH,TRHYST=2,TROFFSETP=4,LHYST=6,AWOFFSET=3;\r\n"
            "RLMFC:CELL=A1,MBCCHNO=2002,MRNIC;\r\n"
            "RLNRC:CELL=A1,CELLR=B1,HIHYST=3;\r\n\r\n"
            "!!! PRINTOUTLAR !!!\r\n\r\n"
            "BSC9 terefde:\r\nRLNRP:CELL=A1,CELLR=B1,NODATA;\r\n\r\n"
            "BSC10 terefde:\r\nRLNRP:CELL=B1,CELLR=A1,NODATA;\r\n\r\n"
            "!!! MSC-e tanitim !!!\r\n\r\n"
            "MSC10-e tanitim:\r\nMGOCI:CELL=A1,CGI=400-01-10-1000,MSC=MSC9;\r\n\r\n"
            "MSC9-e tanitim:\r\nMGOCI:CELL=B1,CGI=400-01-20-2000,MSC=MSC10;\r\n"
            "!!! MSC-de printout !!!\r\n\r\n"
            "MSC10-de printout:\r\nMGOCP:CELL=A1;\r\n\r\n"
            "MSC9-de printout:\r\nMGOCP:CELL=B1;\r\n");
}

TEST_F(ScriptTest, ExternalFormDefinesACellOnceAndIdenticalPairsOnce) {
  Collected("A1\r\nA1\r\nA1\r\n", "B1\r\nB2\r\nB1\r\n");
  // A cell collected twice has the same parameters each time.
  page.Cell.Table[1] = page.Cell.Table[2] = page.Cell.Table[0];
  page.Cellr.Table[2] = page.Cellr.Table[0];
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(9);
  const std::string script = Script();
  auto count = [&](const std::string& line) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = script.find(line + "\r\n", at)) != std::string::npos; ++at) ++n;
    return n;
  };
  EXPECT_EQ(count("RLDEI:CELL=A1,CSYSTYPE=c0s3,EXT;"), 1u);
  EXPECT_EQ(count("RLNRI:CELL=B1,CELLR=A1,SINGLE;"), 1u);
  EXPECT_EQ(count("RLNRI:CELL=B2,CELLR=A1,SINGLE;"), 1u);
  EXPECT_EQ(count("MGOCI:CELL=A1,CGI=400-01-10-1000,MSC=MSC9;"), 1u);
  EXPECT_EQ(count("MGOCP:CELL=A1;"), 1u);
  // The third pair repeats the first: only its two empty lines are written.
  EXPECT_THAT(script,
              HasSubstr("RLNRC:CELL=B2,CELLR=A1,HIHYST=3;\r\n\r\n\r\n\r\nBSC9 ucun script:"));
}

TEST_F(ScriptTest, UnknownMscIsNamedAsUnknownAndTypedNamesAreLookedUp) {
  Collected("A1\r\n", "B1\r\n");
  page.CellbscComboBox.SetItemIndex(16);   // BSC17: no MSC in the table
  page.CellrbscComboBox.SetText("BSC12");  // typed by hand: no position, but a pick-list name
  const std::string script = Script();
  EXPECT_THAT(script, HasSubstr("!!! BSC17 ucun MSC bilinmir: MSC? yerine yazin !!!\r\n"));
  EXPECT_THAT(script, HasSubstr("MGOCI:CELL=A1,CGI=400-01-10-1000,MSC=MSC?;"));
  EXPECT_THAT(script, HasSubstr("MGOCI:CELL=B1,CGI=400-01-20-2000,MSC=MSC12;"));
  EXPECT_THAT(script, Not(HasSubstr("MSC=;")));
}

TEST_F(ScriptTest, ExtpenFeedsItsLine) {
  Collected("A1\r\n", "B1\r\n");
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(9);
  page.Extpen.SetText("OFF");
  EXPECT_THAT(Script(), HasSubstr("MSRXSUFF=1012,EXTPEN=OFF;"));
}

TEST_F(ScriptTest, EmptyListsGiveOnlyHeadingsAndMarkers) {
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(9);
  EXPECT_EQ(
      Script(),
      "BSC10 ucun script:\r\nBSC9 ucun script:\r\n!!! PRINTOUTLAR !!!\r\n\r\nBSC9 terefde:\r\n\r\n"
      "BSC10 terefde:\r\n\r\n!!! MSC-e tanitim !!!\r\n\r\nMSC10-e tanitim:\r\n\r\nMSC9-e "
      "tanitim:\r\n"
      "!!! MSC-de printout !!!\r\n\r\nMSC10-de printout:\r\n\r\nMSC9-de printout:\r\n");
}

}  // namespace
}  // namespace kestrel::neighbours::testing
