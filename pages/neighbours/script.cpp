// The neighbour script: the MML that defines the neighbour relation of every cell pair, and
// the printouts that check it. Internal form when both sides are the same BSC, external form
// (cells defined on the other BSC and on the MSCs) when they are two.
#include <algorithm>
#include <initializer_list>
#include <set>
#include <utility>
#include <vector>

#include "mml/network_elements.h"
#include "mml/text.h"
#include "pages/neighbours/neighbours_page.h"
#include "pages/shared/text_index.h"

namespace kestrel::neighbours {

namespace {

// Collects the script's lines. A line written with Once() is left out when the lines so far
// hold it already, so a cell in several pairs is defined once. Notes that stand in place of a
// line are written once each and are not searched: text taken from a printout into a note
// must not hide a line.
class Script {
 public:
  void Always(const std::string& line) {
    index_.Append(line);
    index_.Append("\r\n");
    Write(line);
  }
  void Once(const std::string& line) {
    if (!index_.Contains(line)) Always(line);
  }
  void Note(const std::string& line, bool once) {
    if (once && !notes_.insert(line).second) return;
    Write(line);
  }
  const std::string& Text() const { return text_; }

 private:
  void Write(const std::string& line) {
    text_ += line;
    text_ += "\r\n";
  }
  pages::TextIndex index_;
  std::string text_;
  std::set<std::string> notes_;
};

// The note that stands in a script line's place: an MML comment, so nothing in it may close
// the comment early.
std::string Comment(std::string_view text) {
  std::string body = mml::Printable(text);
  std::replace(body.begin(), body.end(), '!', '?');
  return "! " + body + " !";
}

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

// Two BSCs are one when both were picked at the same position of the pick list, or when
// neither was picked and their names are the same.
bool SameBsc(const controls::ComboBox& cell, const controls::ComboBox& cellr) {
  if (cell.ItemIndex() < 0 && cellr.ItemIndex() < 0) return cell.Text() == cellr.Text();
  return cell.ItemIndex() == cellr.ItemIndex();
}

}  // namespace

void NeighboursPage::WriteScript() {
  collecting_ = false;
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
  // Writes the line that `make` builds from the values of `slots` of record i of `from`, or,
  // when one of them is unusable, a note in its place that says which and why.
  auto checked = [&](bool once, const std::string& head, const Side& from, int i,
                     std::initializer_list<Slot> slots, auto make) {
    const std::string why = from.Unusable(static_cast<std::size_t>(i), slots);
    if (why.empty()) {
      once ? script.Once(make()) : script.Always(make());
    } else {
      script.Note(Comment(head + " not written: " + why), once);
    }
  };

  if (SameBsc(CellbscComboBox, CellrbscComboBox)) {
    script.Always(CellrbscComboBox.Text() + " ucun script:");
    script.Always("");
    for (int i = 0; i < cells; ++i) {
      const auto n = static_cast<std::size_t>(i);
      script.Always("RLNRI:CELL=" + c(i) + ",CELLR=" + r(i) + ";");
      checked(false, "RLMFC:CELL=" + c(i), Cellr, i, {kBcchno}, [&] {
        return "RLMFC:CELL=" + c(i) + ",MBCCHNO=" + Cellr.Value(n, kBcchno) + ",MRNIC;";
      });
      checked(false, "RLMFC:CELL=" + r(i), Cell, i, {kBcchno}, [&] {
        return "RLMFC:CELL=" + r(i) + ",MBCCHNO=" + Cell.Value(n, kBcchno) + ",MRNIC;";
      });
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
        auto define = [&](const char* command, std::initializer_list<Slot> slots, auto make) {
          checked(true, command + cell(i), from, i, slots, make);
        };
        script.Always("");
        define("RLDEI:CELL=", {kCsystype},
               [&] { return "RLDEI:CELL=" + cell(i) + ",CSYSTYPE=" + v(kCsystype) + ",EXT;"; });
        define("RLDEC:CELL=", {kBcchno, kBsic, kCgi}, [&] {
          return "RLDEC:CELL=" + cell(i) + ",BCCHNO=" + v(kBcchno) + ",BSIC=" + v(kBsic) +
                 ",CGI=" + v(kCgi) + ";";
        });
        define("RLCPC:CELL=", {kMstxpwr},
               [&] { return "RLCPC:CELL=" + cell(i) + ",MSTXPWR=" + v(kMstxpwr) + ";"; });
        define("RLLOC:CELL=", {kBspwr, kBstxpwr, kBsrxmin, kAw, kScho}, [&] {
          return "RLLOC:CELL=" + cell(i) + ",BSPWR=" + v(kBspwr) + ",BSTXPWR=" + v(kBstxpwr) +
                 ",BSRXMIN=" + v(kBsrxmin) + ",AW=" + v(kAw) + ",SCHO=" + v(kScho) + ";";
        });
        define("RLLOC:CELL=", {kBsrxsuff, kMsrxmin, kMsrxsuff}, [&] {
          return "RLLOC:CELL=" + cell(i) + ",BSRXSUFF=" + v(kBsrxsuff) + ",MSRXMIN=" + v(kMsrxmin) +
                 ",MSRXSUFF=" + v(kMsrxsuff) + ",EXTPEN=" + Extpen.Text() + ";";
        });
        define("RLLHC:CELL=", {kLayer, kLayerthr, kLayerhyst}, [&] {
          return "RLLHC:CELL=" + cell(i) + ",LAYER=" + v(kLayer) + ",LAYERTHR=" + v(kLayerthr) +
                 ",LAYERHYST=" + v(kLayerhyst) + ";";
        });
        script.Once("RLNRI:CELL=" + partner(i) + ",CELLR=" + cell(i) + ",SINGLE;");
        script.Once("RLNRC:CELL=" + partner(i) + ",CELLR=" + cell(i) + ",CAND=" + cand +
                    ",TRHYST=" + trhyst + ",TROFFSETP=" + Troffsetp.Text() + ",LHYST=" + lhyst +
                    ",AWOFFSET=" + awoffset + ";");
        checked(true, "RLMFC:CELL=" + partner(i), from, i, {kBcchno},
                [&] { return "RLMFC:CELL=" + partner(i) + ",MBCCHNO=" + v(kBcchno) + ",MRNIC;"; });
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
      checked(true, "MGOCI:CELL=" + c(i), Cell, i, {kCgi}, [&] {
        return "MGOCI:CELL=" + c(i) + ",CGI=" + Cell.Value(static_cast<std::size_t>(i), kCgi) +
               ",MSC=" + msc_c + ";";
      });
    }
    script.Always("");
    script.Always(msc_c + "-e tanitim:");
    for (int i = 0; i < cellrs; ++i) {
      checked(true, "MGOCI:CELL=" + r(i), Cellr, i, {kCgi}, [&] {
        return "MGOCI:CELL=" + r(i) + ",CGI=" + Cellr.Value(static_cast<std::size_t>(i), kCgi) +
               ",MSC=" + msc_r + ";";
      });
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
