// The neighbour script: the MML that defines the neighbour relation of every cell pair, and
// the printouts that check it. Internal form when both sides are the same BSC, external form
// (cells defined on the other BSC and on the MSCs) when they are two.
#include <algorithm>

#include "mml/network_elements.h"
#include "pages/neighbours/neighbours_page.h"
#include "pages/shared/text_index.h"

namespace kestrel::neighbours {

namespace {

// Collects the script's lines. A line written with Once() is left out when the text so far
// holds it already, so a cell in several pairs is defined once.
class Script {
 public:
  void Always(const std::string& line) {
    text_.Append(line);
    text_.Append("\r\n");
  }
  void Once(const std::string& line) {
    if (!text_.Contains(line)) Always(line);
  }
  const std::string& Text() const { return text_.Text(); }

 private:
  pages::TextIndex text_;
};

// The MSC that serves a BSC: by the position picked in the pick list, or, for a name typed
// by hand that is an entry of the list, by that entry.
std::string MscOf(const controls::ComboBox& bsc) {
  int position = bsc.ItemIndex();
  if (position < 0) {
    const auto& list = mml::BscPickList();
    const auto found = std::find(list.begin(), list.end(), bsc.Text());
    if (found != list.end()) position = static_cast<int>(found - list.begin());
  }
  const auto& names = mml::MscNames();
  return position >= 0 && position < static_cast<int>(names.size())
             ? names[static_cast<std::size_t>(position)]
             : std::string();
}

}  // namespace

void NeighboursPage::WriteScript() {
  Cell.Finished.clear();
  Cellr.Finished.clear();
  Script script;
  const int cells = ListLines(Memocell), cellrs = ListLines(Memocellr);
  auto c = [&](int i) { return std::string(Memocell.Line(static_cast<std::size_t>(i))); };
  auto r = [&](int i) { return std::string(Memocellr.Line(static_cast<std::size_t>(i))); };
  const std::string& khyst = Khyst.Text();
  const std::string& lhyst = Lhyst.Text();
  const std::string& trhyst = Trhyst.Text();
  const std::string& cand = Cand.Text();
  const std::string& awoffset = Awoffset.Text();
  const std::string& hihyst = Hihyst.Text();

  if (CellbscComboBox.ItemIndex() == CellrbscComboBox.ItemIndex()) {
    script.Always(CellrbscComboBox.Text() + " ucun script:");
    script.Always("");
    for (int i = 0; i < cells; ++i) {
      const auto n = static_cast<std::size_t>(i);
      script.Always("RLNRI:CELL=" + c(i) + ",CELLR=" + r(i) + ";");
      script.Always("RLMFC:CELL=" + c(i) + ",MBCCHNO=" + Cellr.Value(n, kBcchno) + ",MRNIC;");
      script.Always("RLMFC:CELL=" + r(i) + ",MBCCHNO=" + Cell.Value(n, kBcchno) + ",MRNIC;");
      script.Always("RLNRC:CELL=" + c(i) + ",CELLR=" + r(i) + ",KHYST=" + khyst +
                    ",LHYST=" + lhyst + ",TRHYST=" + trhyst + ",CAND=" + cand +
                    ",AWOFFSET=" + awoffset + ",CS=NO;");
      script.Always("RLNRC:CELL=" + c(i) + ",CELLR=" + r(i) + ",HIHYST=" + hihyst + ";");
      script.Always("RLSSC:CELL=" + r(i) + ",MBCR=" + Mbcr.Text() + ";");
      script.Always("");
    }
    script.Always("!!! PRINTOUTLAR !!!");
    script.Always("");
    for (int i = 0; i < cells; ++i)
      script.Always("RLNRP:CELL=" + c(i) + ",CELLR=" + r(i) + ",NODATA;");
  } else {
    // One block per BSC: each cell of the other side defined there as an external cell, and
    // the relation from its partner.
    auto define_on_other_bsc = [&](const std::string& bsc, int count, const Side& from, auto cell,
                                   auto partner) {
      script.Always(bsc + " ucun script:");
      for (int i = 0; i < count; ++i) {
        const auto n = static_cast<std::size_t>(i);
        auto v = [&](Slot slot) { return from.Value(n, slot); };
        script.Always("");
        script.Once("RLDEI:CELL=" + cell(i) + ",CSYSTYPE=" + v(kCsystype) + ",EXT;");
        script.Once("RLDEC:CELL=" + cell(i) + ",BCCHNO=" + v(kBcchno) + ",BSIC=" + v(kBsic) +
                    ",CGI=" + v(kCgi) + ";");
        script.Once("RLCPC:CELL=" + cell(i) + ",MSTXPWR=" + v(kMstxpwr) + ";");
        script.Once("RLLOC:CELL=" + cell(i) + ",BSPWR=" + v(kBspwr) + ",BSTXPWR=" + v(kBstxpwr) +
                    ",BSRXMIN=" + v(kBsrxmin) + ",AW=" + v(kAw) + ",SCHO=" + v(kScho) + ";");
        script.Once("RLLOC:CELL=" + cell(i) + ",BSRXSUFF=" + v(kBsrxsuff) + ",MSRXMIN=" +
                    v(kMsrxmin) + ",MSRXSUFF=" + v(kMsrxsuff) + ",EXTPEN=" + Extpen.Text() + ";");
        script.Once("RLLHC:CELL=" + cell(i) + ",LAYER=" + v(kLayer) + ",LAYERTHR=" + v(kLayerthr) +
                    ",LAYERHYST=" + v(kLayerhyst) + ";");
        script.Once("RLNRI:CELL=" + partner(i) + ",CELLR=" + cell(i) + ",SINGLE;");
        script.Once("RLNRC:CELL=" + partner(i) + ",CELLR=" + cell(i) + ",CAND=" + cand +
                    ",TRHYST=" + trhyst + ",TROFFSETP=" + Troffsetp.Text() + ",LHYST=" + lhyst +
                    ",AWOFFSET=" + awoffset + ";");
        script.Once("RLMFC:CELL=" + partner(i) + ",MBCCHNO=" + v(kBcchno) + ",MRNIC;");
        script.Once("RLNRC:CELL=" + partner(i) + ",CELLR=" + cell(i) + ",HIHYST=" + hihyst + ";");
        script.Always("");
      }
    };
    define_on_other_bsc(CellrbscComboBox.Text(), cells, Cell, c, r);
    define_on_other_bsc(CellbscComboBox.Text(), cellrs, Cellr, r, c);

    script.Always("!!! PRINTOUTLAR !!!");
    script.Always("");
    script.Always(CellbscComboBox.Text() + " terefde:");
    for (int i = 0; i < cells; ++i)
      script.Once("RLNRP:CELL=" + c(i) + ",CELLR=" + r(i) + ",NODATA;");
    script.Always("");
    script.Always(CellrbscComboBox.Text() + " terefde:");
    for (int i = 0; i < cellrs; ++i)
      script.Once("RLNRP:CELL=" + r(i) + ",CELLR=" + c(i) + ",NODATA;");
    script.Always("");

    // A BSC whose MSC the program does not know gets a name that no MSC has, and a line that
    // says so, rather than an empty name.
    std::string msc_c = MscOf(CellbscComboBox), msc_r = MscOf(CellrbscComboBox);
    script.Always("!!! MSC-e tanitim !!!");
    for (auto [msc, bsc] :
         {std::pair{&msc_c, &CellbscComboBox}, std::pair{&msc_r, &CellrbscComboBox}}) {
      if (msc->empty()) {
        *msc = "MSC?";
        script.Always("!!! " + bsc->Text() + " ucun MSC bilinmir: MSC? yerine yazin !!!");
      }
    }
    script.Always("");
    script.Always(msc_r + "-e tanitim:");
    for (int i = 0; i < cells; ++i) {
      script.Once("MGOCI:CELL=" + c(i) + ",CGI=" + Cell.Value(static_cast<std::size_t>(i), kCgi) +
                  ",MSC=" + msc_c + ";");
    }
    script.Always("");
    script.Always(msc_c + "-e tanitim:");
    for (int i = 0; i < cellrs; ++i) {
      script.Once("MGOCI:CELL=" + r(i) + ",CGI=" + Cellr.Value(static_cast<std::size_t>(i), kCgi) +
                  ",MSC=" + msc_r + ";");
    }
    script.Always("!!! MSC-de printout !!!");
    script.Always("");
    script.Always(msc_r + "-de printout:");
    for (int i = 0; i < cells; ++i) script.Once("MGOCP:CELL=" + c(i) + ";");
    script.Always("");
    script.Always(msc_c + "-de printout:");
    for (int i = 0; i < cellrs; ++i) script.Once("MGOCP:CELL=" + r(i) + ";");
  }

  read_form_.Memo1.SetText(script.Text());
  read_form_.Show();
  Exqontime.SetEnabled(false);
  ProgressBar1.SetVisible(false);
  Label16.SetVisible(false);
  Panel4.SetEnabled(true);
  Panel6.SetEnabled(true);
}

}  // namespace kestrel::neighbours
