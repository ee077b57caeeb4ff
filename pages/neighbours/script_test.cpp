#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/neighbours/neighbours_test_fixture.h"

namespace kestrel::neighbours::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class ScriptTest : public NeighboursTest {
 protected:
  // Fills the tables as a collection would have.
  void Collected(const std::string& cells_text, const std::string& cellrs_text) {
    page.Memocell.SetText(cells_text);
    page.Memocellr.SetText(cellrs_text);
    for (Side* side : {&page.Cell, &page.Cellr}) {
      side->Table.resize(4);
      for (std::size_t k = 0; k < 4; ++k) {
        const std::string tag = (side == &page.Cell ? "c" : "r") + std::to_string(k);
        for (int slot = 0; slot < kSlots; ++slot)
          side->Table[k][static_cast<std::size_t>(slot)] = tag + "s" + std::to_string(slot);
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
            "RLMFC:CELL=A1,MBCCHNO=r0s2,MRNIC;\r\n"
            "RLMFC:CELL=B1,MBCCHNO=c0s2,MRNIC;\r\n"
            "RLNRC:CELL=A1,CELLR=B1,KHYST=3,LHYST=6,TRHYST=2,CAND=BOTH,AWOFFSET=3,CS=NO;\r\n"
            "RLNRC:CELL=A1,CELLR=B1,HIHYST=3;\r\n"
            "RLSSC:CELL=B1,MBCR=2;\r\n\r\n"
            "RLNRI:CELL=A2,CELLR=B2;\r\n"
            "RLMFC:CELL=A2,MBCCHNO=r1s2,MRNIC;\r\n"
            "RLMFC:CELL=B2,MBCCHNO=c1s2,MRNIC;\r\n"
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

TEST_F(ScriptTest, ExternalFormLineForLine) {
  Collected("A1\r\n", "B1\r\n");
  page.CellbscComboBox.SetItemIndex(8);   // BSC9, MSC9
  page.CellrbscComboBox.SetItemIndex(9);  // BSC10, MSC10
  page.Troffsetp.SetText("4");
  EXPECT_EQ(Script(),
            "BSC10 ucun script:\r\n\r\n"
            "RLDEI:CELL=A1,CSYSTYPE=c0s3,EXT;\r\n"
            "RLDEC:CELL=A1,BCCHNO=c0s2,BSIC=c0s1,CGI=c0s0;\r\n"
            "RLCPC:CELL=A1,MSTXPWR=c0s4;\r\n"
            "RLLOC:CELL=A1,BSPWR=c0s5,BSTXPWR=c0s6,BSRXMIN=c0s7,AW=c0s8,SCHO=c0s9;\r\n"
            "RLLOC:CELL=A1,BSRXSUFF=c0s10,MSRXMIN=c0s11,MSRXSUFF=c0s12,EXTPEN=ON;\r\n"
            "RLLHC:CELL=A1,LAYER=c0s13,LAYERTHR=c0s14,LAYERHYST=c0s15;\r\n"
            "RLNRI:CELL=B1,CELLR=A1,SINGLE;\r\n"
            "RLNRC:CELL=B1,CELLR=A1,CAND=BOTH,TRHYST=2,TROFFSETP=4,LHYST=6,AWOFFSET=3;\r\n"
            "RLMFC:CELL=B1,MBCCHNO=c0s2,MRNIC;\r\n"
            "RLNRC:CELL=B1,CELLR=A1,HIHYST=3;\r\n\r\n"
            "BSC9 ucun script:\r\n\r\n"
            "RLDEI:CELL=B1,CSYSTYPE=r0s3,EXT;\r\n"
            "RLDEC:CELL=B1,BCCHNO=r0s2,BSIC=r0s1,CGI=r0s0;\r\n"
            "RLCPC:CELL=B1,MSTXPWR=r0s4;\r\n"
            "RLLOC:CELL=B1,BSPWR=r0s5,BSTXPWR=r0s6,BSRXMIN=r0s7,AW=r0s8,SCHO=r0s9;\r\n"
            "RLLOC:CELL=B1,BSRXSUFF=r0s10,MSRXMIN=r0s11,MSRXSUFF=r0s12,EXTPEN=ON;\r\n"
            "RLLHC:CELL=B1,LAYER=r0s13,LAYERTHR=r0s14,LAYERHYST=r0s15;\r\n"
            "RLNRI:CELL=A1,CELLR=B1,SINGLE;\r\n"
            "RLNRC:CELL=A1,CELLR=B1,CAND=BOTH,TRHYST=2,TROFFSETP=4,LHYST=6,AWOFFSET=3;\r\n"
            "RLMFC:CELL=A1,MBCCHNO=r0s2,MRNIC;\r\n"
            "RLNRC:CELL=A1,CELLR=B1,HIHYST=3;\r\n\r\n"
            "!!! PRINTOUTLAR !!!\r\n\r\n"
            "BSC9 terefde:\r\nRLNRP:CELL=A1,CELLR=B1,NODATA;\r\n\r\n"
            "BSC10 terefde:\r\nRLNRP:CELL=B1,CELLR=A1,NODATA;\r\n\r\n"
            "!!! MSC-e tanitim !!!\r\n\r\n"
            "MSC10-e tanitim:\r\nMGOCI:CELL=A1,CGI=c0s0,MSC=MSC9;\r\n\r\n"
            "MSC9-e tanitim:\r\nMGOCI:CELL=B1,CGI=r0s0,MSC=MSC10;\r\n"
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
  EXPECT_EQ(count("MGOCI:CELL=A1,CGI=c0s0,MSC=MSC9;"), 1u);
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
  EXPECT_THAT(script, HasSubstr("MGOCI:CELL=A1,CGI=c0s0,MSC=MSC?;"));
  EXPECT_THAT(script, HasSubstr("MGOCI:CELL=B1,CGI=r0s0,MSC=MSC12;"));
  EXPECT_THAT(script, Not(HasSubstr("MSC=;")));
}

TEST_F(ScriptTest, ExtpenFeedsItsLine) {
  Collected("A1\r\n", "B1\r\n");
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(9);
  page.Extpen.SetText("OFF");
  EXPECT_THAT(Script(), HasSubstr("MSRXSUFF=c0s12,EXTPEN=OFF;"));
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
