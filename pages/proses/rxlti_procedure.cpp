// The RXLTI procedure: the fault situation of all TGs gives the faulty timeslots and the
// other faulty objects. Timeslots go in one batch: block all, wait 30 s, end of service on
// the first, loop test all, start of service on the first, deblock all with a release pause
// after each. Then every other object is blocked and deblocked, one after another.
#include "mml/columns.h"
#include "mml/session.h"
#include "pages/proses/proses_page.h"

namespace kestrel::proses {

using mml::Contains;

namespace {
constexpr std::string_view kFaultSituation = "RXASP:MOTY=RXOTG;";
constexpr std::string_view kPermanentFault = "PERMANENT FAULT";

// The object named on a fault line: 16 characters from its class text, trimmed.
std::string ObjectAt(std::string_view line, std::string_view object_class) {
  return mml::WithoutControlCharacters(mml::Trim(mml::Cut(line, line.find(object_class), 16)));
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
  auto block = [this](const std::string& object) {
    if (std::find(maybe_blocked_.begin(), maybe_blocked_.end(), object) == maybe_blocked_.end()) {
      maybe_blocked_.push_back(object);
    }
    return Command{"RXBLI:MO=" + object + ",FORCE;", true};
  };
  if (ProsesRxaspDone != "OK") return Command{std::string(kFaultSituation)};
  if (ProsesTsRxbliDone != "OK" && timeslots) return block(timeslot);
  if (ProsesRxeseDone != "OK" && timeslots) return Command{"RXESE:MO=" + timeslot + ";", true};
  if (ProsesRxltiDone != "OK" && timeslots) return Command{"RXLTI:MO=" + timeslot + ";"};
  if (ProsesRxesiDone != "OK" && timeslots) return Command{"RXESI:MO=" + timeslot + ";", true};
  if (ProsesTsRxbleDone != "OK" && timeslots) return Command{"RXBLE:MO=" + timeslot + ";", true};
  if (ProsesRxbliDone != "OK" && others) return block(other);
  if (ProsesRxbleDone != "OK" && others) return Command{"RXBLE:MO=" + other + ";", true};
  return std::nullopt;
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
          if (!Cfcbox.Checked() && Contains(line, "RXOCF") && permanent) {
            Rxaspbufmemo.AddLine(ObjectAt(line, "RXOCF"));
          }
          for (const std::string_view object_class : {"RXOTRX", "RXOTX", "RXORX"}) {
            if (Contains(line, object_class) && permanent) {
              Rxaspbufmemo.AddLine(ObjectAt(line, object_class));
            }
          }
          if (Contains(line, "RXOTS")) {
            if (Contains(line, "TS SYNC FAULT")) TsltiMemo.AddLine(ObjectAt(line, "RXOTS"));
            if (permanent) TsltiMemo.AddLine(ObjectAt(line, "RXOTS"));
          }
        },
        [&] {
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
                         ProsesRxeseDone = "OK";
                         ProsesStep = mml::kReady;
                       });
  } else if (ProsesStep == "RXLTI:MO=" + timeslot + ";") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
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
                         ProsesRxesiDone = "OK";
                         ProsesStep = mml::kReady;
                       });
  } else if (ProsesStep == "RXBLE:MO=" + timeslot + ";") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         std::erase(maybe_blocked_, timeslot);
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
                         ProsesRxbliDone = "OK";
                         ProsesStep = mml::kReady;
                       });
  } else if (ProsesStep == "RXBLE:MO=" + other + ";") {
    OnCompletePrintout([](std::size_t) {},
                       [&] {
                         std::erase(maybe_blocked_, other);
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
