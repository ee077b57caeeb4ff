// How a Proses session ends: by the end of its BSC, or early (the line dropped, the engineer
// or the runner stopped it, the exchange went silent, the gateway refused it, a printout
// grew past the cap). An early end stops the run and says what may be left out of traffic.
#include <algorithm>
#include <limits>
#include <string>

#include "mml/text.h"
#include "pages/proses/proses_page.h"

namespace kestrel::proses {

namespace {

std::string Duration(int ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

void ProsesPage::SetWatchdogSeconds(int seconds) {
  constexpr int kLongest = std::numeric_limits<int>::max() / 1000;
  WatchdogTimer.SetInterval(seconds > 0 ? std::min(seconds, kLongest) * 1000 : 0);
  Watch();
}

void ProsesPage::SetMaxPrintout(std::size_t bytes) { login_.SetMaxPrintout(bytes); }

void ProsesPage::EndSession(Ending ending, std::string words) {
  ending_ = ending;
  ending_words_ = std::move(words);
  IdTelnet1.Disconnect();
  // A client that had already let go delivers no event; the session still ends here.
  if (Startpnl.Caption() == "Stop") IdTelnet1Disconnected();
  ending_ = Ending::kLost;
  ending_words_.clear();
}

// The page's own pauses are not silence: the watchdog counts only while the page waits for
// the exchange, from the last text received or the last event the page acted on.
void ProsesPage::Watch() {
  const bool pausing = Timer1.Enabled() || ReleaseTimer.Enabled() || BusyTimer.Enabled();
  WatchdogTimer.SetEnabled(false);
  if (Startpnl.Caption() == "Stop" && !pausing && WatchdogTimer.Interval() > 0) {
    WatchdogTimer.SetEnabled(true);
  }
}

void ProsesPage::WatchdogTimerTimer() {
  WatchdogTimer.SetEnabled(false);
  const bool pausing = Timer1.Enabled() || ReleaseTimer.Enabled() || BusyTimer.Enabled();
  if (Startpnl.Caption() != "Stop" || pausing) return;
  EndSession(Ending::kWatchdog);
}

void ProsesPage::IdTelnet1Disconnected() {
  const Ending ending = ending_;
  const std::string words = ending_words_;
  ending_ = Ending::kLost;
  // One end, one note: once the caption reads "Start" a further report changes nothing.
  const bool early = Startpnl.Caption() == "Stop" && ending != Ending::kFinished;
  login_.Closed();
  const std::string note = early ? SessionEndedEarly(ending, words) : std::string();

  Startpnl.SetColor(controls::Colour::kButtonFace);
  Startpnl.SetCaption("Start");
  ProsesAttached = false;
  ProsesStep.clear();
  ProsesConfirm.clear();
  for (std::string* mark :
       {&ProsesAllipDone, &ProsesRlslpDone, &ProsesRxtcpDone, &ProsesRxmfpDone, &ProsesRxbliDone,
        &ProsesRxteiDone, &ProsesRxbleDone, &ProsesFinalRlslpDone, &ProsesRxaspDone,
        &ProsesTsRxbliDone, &ProsesRxltiDone, &ProsesTsRxbleDone}) {
    mark->clear();
  }
  ProsesMoIndex = 0;
  first_answer_.reset();
  // A pause or retry of the session that ended must not act on the next one.
  Timer1.SetEnabled(false);
  ReleaseTimer.SetEnabled(false);
  BusyTimer.SetEnabled(false);
  WatchdogTimer.SetEnabled(false);
  // Shown last, when the session is settled.
  if (!note.empty() && ending != Ending::kStopped) messages_.Warn(note);
}

// Written while the step still tells what was in flight.
std::string ProsesPage::SessionEndedEarly(Ending ending, const std::string& words) {
  std::string where;
  if (!ProsesAttached) {
    where = " before the BSC's prompt";
  } else if (ProsesStep.find(':') != std::string::npos) {
    where = " while " + ProsesStep + " was in flight";
  } else if (ProsesStep == "RLSLPSON") {
    where = " during the closing cell check of " + std::string(CellMemo.Line(0));
  } else if (ProsesStep == "RELEASETIMER" || ProsesStep == "CONNECT") {
    where = " during a release pause";
  } else if (ProsesStep == "TIMERENABLED") {
    where = " during the 30-second wait";
  }
  std::string head, why;
  switch (ending) {
    case Ending::kLost: {
      if (!IdTelnet1.ConnectError.empty()) {
        head = "Cannot connect for " + element_ + ": " + IdTelnet1.ConnectError;
        why = "cannot connect: " + IdTelnet1.ConnectError;
        break;
      }
      const std::string reason =
          IdTelnet1.EndReason.empty() ? "" : " (" + IdTelnet1.EndReason + ")";
      head = "Connection to " + element_ + " lost" + reason + where;
      why = "connection lost" + reason + where;
      break;
    }
    case Ending::kWatchdog: {
      const std::string reason = " (no answer for " + Duration(WatchdogTimer.Interval()) + ")";
      head = "Connection to " + element_ + " lost" + reason + where;
      why = "connection lost" + reason + where;
      break;
    }
    case Ending::kStopped:
      head = "Session with " + element_ + " stopped" + where;
      why = "stopped" + where;
      break;
    case Ending::kRefused:
      head = element_ + " not reached: " + words;
      why = words;
      break;
    case Ending::kOverflow:
      head = words;
      why = words;
      break;
    case Ending::kFinished:
      return {};
  }
  // The engineer who stopped it knows; any other end is also shown in a box (see the caller).
  const std::string note =
      mml::Printable(head + MayStillBeBlocked(element_) +
                     ". The run is stopped; the BSC stays at the head of the queue.");
  Note(note);
  Outcomes.EndedEarly(mml::Printable(why));
  ReleasePages();
  return note;
}

}  // namespace kestrel::proses
