// The RXTEI procedure: the outage alarm list gives the cells; for each cell its TG, the
// faulty objects of the TG, and for each object (from the last line up) block, end of
// service, test (timeslots), start of service and deblock, with a release pause after each.
#include "mml/columns.h"
#include "mml/session.h"
#include "mml/shapes.h"
#include "pages/proses/proses_page.h"

namespace kestrel::proses {

namespace {

constexpr std::string_view kOutageList = "ALLIP:ALCAT=KESINTI;";
constexpr std::string_view kClosingCheck = "RLSLPSON";

// "RXOTRX-12-0" and "RXOTS-12-0-3" are objects of TG "12"; so is the TG "RXOTG-12" itself.
bool ObjectOfTg(std::string_view object, std::string_view tg) {
  const std::size_t dash = object.find('-');
  if (!object.starts_with("RXO") || dash == std::string_view::npos) return false;
  const std::string_view rest = object.substr(dash + 1);
  return rest.starts_with(tg) && (rest.size() == tg.size() || rest[tg.size()] == '-');
}

}  // namespace

std::string ProsesPage::TeiObject() const {
  return ProsesMoIndex >= 0 ? std::string(TsMemo.Line(static_cast<std::size_t>(ProsesMoIndex)))
                            : std::string();
}

std::optional<ProsesPage::Command> ProsesPage::TeiDispatch() {
  const std::string cell(CellMemo.Line(0));
  const std::string object = TeiObject();
  const bool cells = CellMemo.LineCount() > 0;
  const bool objects = TsMemo.LineCount() > 0 && !object.empty();
  if (ProsesAllipDone != "OK") {
    CellMemo.Clear();
    return Command{std::string(kOutageList)};
  }
  if (ProsesRlslpDone != "OK" && cells) return Command{"RLSLP:CELL=" + cell + ";"};
  if (ProsesRxtcpDone != "OK" && cells) return Command{"RXTCP:MOTY=RXOTG,CELL=" + cell + ";"};
  if (ProsesRxmfpDone != "OK" && cells) {
    TsMemo.Clear();
    return Command{"RXMFP:MO=RXOTG-" + TgEdit.Text() + ",SUBORD,FAULTY;"};
  }
  if (ProsesRxbliDone != "OK" && objects) return Order("RXBLI", object);
  if (ProsesRxeseDone != "OK" && objects) return Order("RXESE", object);
  if (ProsesRxteiDone == "SEND" && objects) return Command{"RXTEI:MO=" + object + ";"};
  if (ProsesRxesiDone != "OK" && objects) return Order("RXESI", object);
  if (ProsesRxbleDone != "OK" && objects) return Order("RXBLE", object);
  if (ProsesFinalRlslpDone != "OK" && cells) {
    return Command{"RLSLP:CELL=" + cell + ";", false, std::string(kClosingCheck)};
  }
  return std::nullopt;
}

void ProsesPage::TeiPrintouts() {
  const std::string cell(CellMemo.Line(0));
  const std::string object = TeiObject();
  // Ends the current cell: its marks go, and the objects of its TG with them.
  auto end_cell = [this] {
    CellMemo.DeleteLine(0);
    for (std::string* mark :
         {&ProsesRlslpDone, &ProsesRxtcpDone, &ProsesRxmfpDone, &ProsesRxbliDone, &ProsesRxeseDone,
          &ProsesRxteiDone, &ProsesRxesiDone, &ProsesRxbleDone, &ProsesFinalRlslpDone}) {
      mark->clear();
    }
    TsMemo.Clear();
    ProsesStep = mml::kReady;
    if (CellMemo.LineCount() == 0) FinishbtnClick();
  };

  if (ProsesStep == kOutageList) {
    bool busy = false;
    OnCompletePrintout(
        [&](std::size_t i) {
          const std::string_view line = InMemo.Line(i);
          if (const auto p = line.find("CELL   "); p != std::string_view::npos) {
            const std::string named = mml::ValueBelow(InMemo, i, p, 7);
            if (mml::IsCellName(named)) {
              CellMemo.AddLine(named);
            } else if (!named.empty()) {
              NotSent(kOutageList, named, "a cell name");
            }
          }
          if (line.find("FUNCTION BUSY") != std::string_view::npos) busy = true;
        },
        [&] {
          if (busy) {
            // Not an answer: the list is asked again in a moment, in this session only.
            Note("FUNCTION BUSY: the outage list is asked again in 5 s");
            CellMemo.Clear();
            InMemo.Clear();
            busy_session_ = session_number_;
            busy_step_ = ProsesStep;
            BusyTimer.SetEnabled(true);
            return;
          }
          ReadingAnswered(kOutageList);
          CellMemoDblClick();
          ProsesAllipDone = "OK";
          ProsesStep = mml::kReady;
          if (CellMemo.LineCount() == 0) FinishbtnClick();
        });
  } else if (ProsesStep == "RLSLP:CELL=" + cell + ";") {
    bool drop = false;
    std::string not_a_number;
    OnCompletePrintout(
        [&](std::size_t i) {
          const auto p = InMemo.Line(i).find("NCH");
          if (p == std::string_view::npos) return;
          for (const std::size_t n : {2, 3}) {
            const std::string_view field = mml::Cut(InMemo.Line(mml::RowBelow(InMemo, i, n)), p, 5);
            const auto channels = mml::WholeNumber(field);
            if (!channels && not_a_number.empty()) not_a_number = mml::Trim(field);
            if (!channels || *channels == 0) drop = true;
          }
        },
        [&] {
          ReadingAnswered(ProsesStep);
          ProsesRlslpDone = "OK";
          ProsesStep = mml::kReady;
          if (!drop) return;
          // A cell without channels is not treated; neither is one whose channel count
          // cannot be read. Either way it goes once, however many rows said so.
          if (!not_a_number.empty()) {
            Problem("Cell " + cell + ": NCH \"" + not_a_number +
                    "\" is not a number; cell skipped");
          }
          CellMemo.DeleteLine(0);
          if (CellMemo.LineCount() == 0) {
            TsMemo.Clear();
            FinishbtnClick();
          }
        });
  } else if (ProsesStep == "RXTCP:MOTY=RXOTG,CELL=" + cell + ";") {
    bool found = false;
    OnCompletePrintout(
        [&](std::size_t i) {
          const auto p = InMemo.Line(i).find("MO    ");
          if (p == std::string_view::npos) return;
          const std::string tg = mml::ValueBelow(InMemo, i, p + 6, 4);
          if (tg.empty()) return;
          if (!mml::IsNumber(tg, 4)) return NotSent(ProsesStep, tg, "a TG number");
          TgEdit.SetText(tg);
          found = true;
        },
        [&] {
          ReadingAnswered(ProsesStep);
          ProsesRxtcpDone = "OK";
          ProsesStep = mml::kReady;
          if (found) return;
          // Without its own TG the cell would be treated with another cell's equipment.
          Problem("Cell " + cell + ": RXTCP names no TG; cell skipped");
          end_cell();
        });
  } else if (ProsesStep == "RXMFP:MO=RXOTG-" + TgEdit.Text() + ",SUBORD,FAULTY;") {
    OnCompletePrintout(
        [&](std::size_t i) {
          const auto p = InMemo.Line(i).find("MO    ");
          if (p == std::string_view::npos) return;
          const std::string named = mml::ValueBelow(InMemo, i, p, 14);
          if (named.empty()) return;
          if (!mml::IsManagedObject(named)) return NotSent(ProsesStep, named, "a managed object");
          // Only an object of the TG asked for is ever blocked, whatever a garbled line says.
          if (ObjectOfTg(named, TgEdit.Text())) {
            TsMemo.AddLine(named);
          } else {
            Problem("RXMFP of RXOTG-" + TgEdit.Text() + " names \"" + named +
                    "\", not an object of that TG; left alone");
          }
        },
        [&] {
          ReadingAnswered(ProsesStep);
          TsMemoDblClick();
          ProsesMoIndex = static_cast<int>(TsMemo.LineCount()) - 1;
          ProsesRxmfpDone = "OK";
          ProsesStep = mml::kReady;
          if (TsMemo.LineCount() == 0 && CellMemo.LineCount() == 1) FinishbtnClick();
        });
  } else if (ProsesStep == "RXBLI:MO=" + object + ",FORCE;") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         OrderAnswered(object);
                         if (ProsesStep.find("RXOTS") != std::string::npos)
                           ProsesRxteiDone = "SEND";
                         ProsesRxbliDone = "OK";
                         ProsesStep = mml::kReady;
                       });
  } else if (ProsesStep == "RXESE:MO=" + object + ";") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         OrderAnswered(object);
                         ProsesRxeseDone = "OK";
                         ProsesStep = mml::kReady;
                       });
  } else if (ProsesStep == "RXTEI:MO=" + object + ";") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         ReadingAnswered(ProsesStep);
                         ProsesRxteiDone = "OK";
                         ProsesStep = mml::kReady;
                       });
  } else if (ProsesStep == "RXESI:MO=" + object + ";") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         OrderAnswered(object);
                         ProsesRxesiDone = "OK";
                         ProsesStep = mml::kReady;
                       });
  } else if (ProsesStep == "RXBLE:MO=" + object + ";") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         OrderAnswered(object);
                         if (ProsesMoIndex > 0) {
                           --ProsesMoIndex;
                           ProsesRxbliDone.clear();
                           ProsesRxteiDone.clear();
                           ProsesRxbleDone.clear();
                         } else {
                           ProsesRxbleDone = "OK";
                         }
                         ProsesStep = "RELEASE";
                       });
  } else if (ProsesStep == kClosingCheck) {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         ReadingAnswered("RLSLP:CELL=" + cell + ";");
                         end_cell();
                       });
  }
}

}  // namespace kestrel::proses
