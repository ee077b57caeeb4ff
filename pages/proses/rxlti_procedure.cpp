// The RXLTI procedure: the fault situation of all TGs gives the faulty timeslots and the
// other faulty objects. Timeslots go in one batch: block all, wait 30 s, end of service on
// the first, loop test all, start of service on the first, deblock all with a release pause
// after each. Then every other object is blocked and deblocked, one after another.
#include "mml/columns.h"
#include "mml/session.h"
#include "mml/shapes.h"
#include "pages/proses/proses_page.h"

namespace kestrel::proses {

using mml::Contains;

namespace {
constexpr std::string_view kFaultSituation = "RXASP:MOTY=RXOTG;";
constexpr std::string_view kPermanentFault = "PERMANENT FAULT";

// The object named on a fault line: 16 characters from its class text, trimmed.
std::string ObjectAt(std::string_view line, std::string_view object_class) {
  return std::string(mml::Trim(mml::Cut(line, line.find(object_class), 16)));
}
}  // namespace

std::string ProsesPage::Timeslot() const {
  return ProsesMoIndex >= 0 ? std::string(TsltiMemo.Line(static_cast<std::size_t>(ProsesMoIndex)))
                            : std::string();
}

std::optional<ProsesPage::Command> ProsesPage::LtiDispatch() {
  const std::string timeslot = Timeslot();
  const std::string other(Rxaspbufmemo.Line(0));
  const bool timeslots = TsltiMemo.LineCount() > 0 && !timeslot.empty();
  const bool others = Rxaspbufmemo.LineCount() > 0;
  if (ProsesRxaspDone != "OK") {
    carried_rxese_ = ProsesRxeseDone == "OK";
    carried_rxesi_ = ProsesRxesiDone == "OK";
    carried_noted_ = false;
    return Command{std::string(kFaultSituation)};
  }
  if (ProsesTsRxbliDone != "OK" && timeslots) return Order("RXBLI", timeslot);
  if (timeslots) NoteCarriedServiceMarks();
  if (ProsesRxeseDone != "OK" && timeslots) return Order("RXESE", timeslot);
  if (ProsesRxltiDone != "OK" && timeslots) return Command{"RXLTI:MO=" + timeslot + ";"};
  if (ProsesRxesiDone != "OK" && timeslots) return Order("RXESI", timeslot);
  if (ProsesTsRxbleDone != "OK" && timeslots) return Order("RXBLE", timeslot);
  if (ProsesRxbliDone != "OK" && others) return Order("RXBLI", other);
  if (ProsesRxbleDone != "OK" && others) return Order("RXBLE", other);
  return std::nullopt;
}

// The marks of the end and the start of service are set by the first BSC of a program run
// that sends those orders, and nothing of this procedure empties them.
void ProsesPage::NoteCarriedServiceMarks() {
  if (carried_noted_ || (!carried_rxese_ && !carried_rxesi_)) return;
  carried_noted_ = true;
  const bool both = carried_rxese_ && carried_rxesi_;
  const std::string orders = both             ? "RXESE and RXESI are"
                             : carried_rxese_ ? "RXESE is"
                                              : "RXESI is";
  const std::string marks = both             ? "end-of-service and start-of-service marks carry"
                            : carried_rxese_ ? "end-of-service mark carries"
                                             : "start-of-service mark carries";
  const std::string set_on = service_marks_of_.empty() ? "an earlier BSC" : service_marks_of_;
  Note(element_ + ": " + orders + " skipped: the " + marks + " over from " + set_on +
       " to the later BSCs of the run");
}

void ProsesPage::LtiPrintouts() {
  const std::string timeslot = Timeslot();
  const std::string other(Rxaspbufmemo.Line(0));
  const bool last = ProsesMoIndex + 1 >= static_cast<int>(TsltiMemo.LineCount());
  auto next_timeslot = [this] { ++ProsesMoIndex; };

  if (ProsesStep == kFaultSituation) {
    OnCompletePrintout(
        [&](std::size_t i) {
          const std::string_view line = InMemo.Line(i);
          const bool permanent = Contains(line, kPermanentFault);
          // Only a value shaped like an object goes on a list, and so into an order.
          auto collect = [&](controls::Memo& list, std::string_view object_class) {
            const std::string object = ObjectAt(line, object_class);
            if (mml::IsManagedObject(object)) {
              list.AddLine(object);
            } else if (!object.empty()) {
              NotSent(kFaultSituation, object, "a managed object");
            }
          };
          if (!Cfcbox.Checked() && Contains(line, "RXOCF") && permanent) {
            collect(Rxaspbufmemo, "RXOCF");
          }
          for (const std::string_view object_class : {"RXOTRX", "RXOTX", "RXORX"}) {
            if (Contains(line, object_class) && permanent) collect(Rxaspbufmemo, object_class);
          }
          // Listed once for either fault: the list is cleaned of repeats anyway.
          if (Contains(line, "RXOTS") && (Contains(line, "TS SYNC FAULT") || permanent)) {
            collect(TsltiMemo, "RXOTS");
          }
        },
        [&] {
          ReadingAnswered(kFaultSituation);
          TsltiMemoDblClick();
          RxaspbufmemoDblClick();
          ProsesMoIndex = 0;
          ProsesRxaspDone = "OK";
          ProsesStep = mml::kReady;
          if (TsltiMemo.LineCount() == 0 && Rxaspbufmemo.LineCount() == 0) FinishbtnClick();
        });
  } else if (ProsesStep == "RXBLI:MO=" + timeslot + ",FORCE;") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         OrderAnswered(timeslot);
                         if (last) {
                           ProsesTsRxbliDone = "OK";
                           ProsesStep = "TIMERENABLED";
                           Timer1.SetEnabled(true);
                         } else {
                           next_timeslot();
                           ProsesStep = mml::kReady;
                         }
                       });
  } else if (ProsesStep == "RXESE:MO=" + timeslot + ";") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         OrderAnswered(timeslot);
                         ProsesRxeseDone = "OK";
                         service_marks_of_ = element_;
                         ProsesStep = mml::kReady;
                       });
  } else if (ProsesStep == "RXLTI:MO=" + timeslot + ";") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         ReadingAnswered(ProsesStep);
                         if (last) {
                           ProsesRxltiDone = "OK";
                           ProsesMoIndex = 0;
                         } else {
                           next_timeslot();
                         }
                         ProsesStep = mml::kReady;
                       });
  } else if (ProsesStep == "RXESI:MO=" + timeslot + ";") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         OrderAnswered(timeslot);
                         ProsesRxesiDone = "OK";
                         service_marks_of_ = element_;
                         ProsesStep = mml::kReady;
                       });
  } else if (ProsesStep == "RXBLE:MO=" + timeslot + ";") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         OrderAnswered(timeslot);
                         if (last) {
                           ProsesTsRxbleDone = "OK";
                           ProsesMoIndex = 0;
                           if (Rxaspbufmemo.LineCount() == 0) {
                             FinishbtnClick();
                             return;  // the session is closed: no pause follows
                           }
                         } else {
                           next_timeslot();
                         }
                         ProsesStep = "RELEASE";
                       });
  } else if (ProsesStep == "RXBLI:MO=" + other + ",FORCE;") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         OrderAnswered(other);
                         ProsesRxbliDone = "OK";
                         ProsesStep = mml::kReady;
                       });
  } else if (ProsesStep == "RXBLE:MO=" + other + ";") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         OrderAnswered(other);
                         if (Rxaspbufmemo.LineCount() > 1) {
                           Rxaspbufmemo.DeleteLine(0);
                           ProsesRxbliDone.clear();
                           ProsesStep = "RELEASE";
                         } else {
                           ProsesRxbleDone = "OK";
                           FinishbtnClick();
                         }
                       });
  }
}

}  // namespace kestrel::proses
