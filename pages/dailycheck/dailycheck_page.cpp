// The Daily check page: its buttons, and the way its handlers are entered. While a warning
// sounds the scan of the alarm list waits for the sound's end, and what arrives meanwhile
// waits here until the scan has gone on; so does what arrives while a handler of the page
// runs (a handler that leads to another, such as a connection's end inside a restart).
#include "pages/dailycheck/dailycheck_page.h"

#include <algorithm>
#include <stdexcept>

#include "mml/columns.h"
#include "mml/network_elements.h"

namespace kestrel::dailycheck {

DailyCheckPage::DailyCheckPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties,
                               Ports ports, std::string report_share_root, KnownAlarms known_alarms,
                               std::string sounds_folder)
    : DailyCheckPage(telnet, properties, ports, std::move(report_share_root),
                     std::make_shared<const KnownAlarms>(std::move(known_alarms)),
                     std::move(sounds_folder)) {}

DailyCheckPage::DailyCheckPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties,
                               Ports ports, std::string report_share_root,
                               std::shared_ptr<const KnownAlarms> known_alarms,
                               std::string sounds_folder)
    : Nedc(mml::NetworkElementPickList(), mml::NetworkElementPickList().front()),
      IdTelnetdc(telnet),
      clock_(ports.clock),
      files_(ports.files),
      sound_(ports.sound),
      dialogs_(ports.dialogs),
      report_share_root_(std::move(report_share_root)),
      known_alarms_(std::move(known_alarms)),
      sounds_folder_(std::move(sounds_folder)),
      // The work pane shows the printout's own lines, however the network cut them: the
      // report file and the many-alarms count read those lines.
      session_{telnet,
               Memobufdc,
               &Memodc,
               DcAttached,
               DcStep,
               properties,
               mml::Session::LogStyle::kText} {
  std::vector<std::string> scopes = {"ALL"};
  scopes.insert(scopes.end(), mml::NetworkElementPickList().begin(),
                mml::NetworkElementPickList().end());
  ComboBox1 = controls::ComboBox(std::move(scopes), "ALL");
  if (!known_alarms_) known_alarms_ = std::make_shared<const KnownAlarms>();
  const auto& alarms = known_alarms_->Entries();
  ComboBox2 = controls::ComboBox(alarms, alarms.empty() ? std::string() : alarms.front());
  FilterMemo.SetText(DefaultFilter());
  ShowSoundFolder(sounds_folder_ + "/nods");
  IdTelnetdc.TerminalType = "ansi";
  IdTelnetdc.OnDataAvailable = [this](std::string_view chunk) { IdTelnetdcDataAvailable(chunk); };
  IdTelnetdc.OnDisconnected = [this] { IdTelnetdcDisconnected(); };
  Timerdc.OnTimer = [this] { TimerdcTimer(); };
  Timerdc_release.OnTimer = [this] { Timerdc_releaseTimer(); };
}

void DailyCheckPage::AdddcClick() {
  if (!mml::Trim(Nedc.Text()).empty()) ListBoxdc.Add(Nedc.Text());
}

void DailyCheckPage::Button3Click() {
  for (const auto& name : Nedc.Items()) ListBoxdc.Add(name);
}

void DailyCheckPage::DeletedcClick() { ListBoxdc.DeleteSelected(); }

void DailyCheckPage::DeletealldcClick() { ListBoxdc.Clear(); }

// Runs a handler's body, then whatever arrived while it ran.
void DailyCheckPage::Run(const std::function<void()>& body) {
  ++busy_;
  try {
    body();
  } catch (...) {
    if (--busy_ == 0) Drain();
    throw;
  }
  if (--busy_ == 0) Drain();
}

void DailyCheckPage::Drain() {
  while (!deferred_.empty() && !sounding_) {
    Deferred event = std::move(deferred_.front());
    deferred_.pop_front();
    // What belonged to a session that has since been replaced has nothing left to act on.
    const bool current = event.session == session_serial_;
    ++busy_;
    struct Leave {
      int& busy;
      ~Leave() { --busy; }
    } leave{busy_};
    switch (event.kind) {
      case Deferred::Kind::kChunk:
        if (current) Chunk(event.chunk);
        break;
      case Deferred::Kind::kDisconnected:
        if (current) Disconnected();
        break;
      case Deferred::Kind::kWatchdog:
        // The page was busy (a warning sounded), not the session silent: the interval starts
        // again from here.
        DcLastWorkText = Memodc.Text();
        break;
      case Deferred::Kind::kRelease:
        if (current) Release();
        break;
      case Deferred::Kind::kStart:
        Start(false);
        break;
      case Deferred::Kind::kStartInCycle:
        StartInCycle();
        break;
    }
  }
}

void DailyCheckPage::StartdcClick() {
  if (Holding()) {
    deferred_.push_back({Deferred::Kind::kStart, session_serial_, {}});
    return;
  }
  Run([this] { Start(false); });
}

void DailyCheckPage::Start(bool in_cycle) {
  if (mml::Trim(report_share_root_).empty()) {
    throw std::runtime_error(
        "Daily check: no report share root is set, so the report files would have nowhere to "
        "go; set it in the site settings");
  }
  if (ListBoxdc.Empty()) {
    if (mml::Trim(Nedc.Text()).empty()) {
      throw std::runtime_error(
          "No network element to supervise: choose one and add it to the list");
    }
    ListBoxdc.Add(Nedc.Text());
  }
  stopped_ = false;
  if (IdTelnetdc.Connected()) return;
  *refusals_in_a_row_ = 0;
  OpenSession(in_cycle);
}

void DailyCheckPage::StartdcInCycle() {
  if (Holding()) {
    deferred_.push_back({Deferred::Kind::kStartInCycle, session_serial_, {}});
    return;
  }
  Run([this] { StartInCycle(); });
}

void DailyCheckPage::StartInCycle() {
  // Only the connection can fail here: with a share root and an element the loop starts.
  const bool can_start = !mml::Trim(report_share_root_).empty() && !ListBoxdc.Empty();
  try {
    Start(true);
  } catch (const std::exception& error) {
    if (!can_start) throw;
    ConnectionFailed(error.what());
  }
}

void DailyCheckPage::StopdcClick() {
  stopped_ = true;
  std::erase_if(deferred_, [](const Deferred& event) {
    return event.kind == Deferred::Kind::kStart || event.kind == Deferred::Kind::kStartInCycle;
  });
  Timerdc.SetEnabled(false);
  Timerdc_release.SetEnabled(false);
  CutSound();
  if (busy_ > 0) {
    // Pressed from inside a handler of the page: the session closes now, and its end is
    // handled once that handler has seen the Stop and returned.
    end_reason_ = "stopped";
    IdTelnetdc.Disconnect();
    return;
  }
  Run([this] { EndSession("stopped"); });
}

void DailyCheckPage::IdTelnetdcDataAvailable(std::string_view chunk) {
  if (Holding()) {
    deferred_.push_back({Deferred::Kind::kChunk, session_serial_, std::string(chunk)});
    return;
  }
  Run([this, chunk] { Chunk(chunk); });
}

void DailyCheckPage::IdTelnetdcDisconnected() {
  if (closing_) {
    Disconnected();  // the page's own close: its caller goes on from a known state
  } else if (Holding()) {
    deferred_.push_back({Deferred::Kind::kDisconnected, session_serial_, {}});
  } else {
    Run([this] { Disconnected(); });
  }
}

void DailyCheckPage::TimerdcTimer() {
  if (Holding()) {
    const bool waiting = std::any_of(deferred_.begin(), deferred_.end(), [](const Deferred& e) {
      return e.kind == Deferred::Kind::kWatchdog;
    });
    if (!waiting) deferred_.push_back({Deferred::Kind::kWatchdog, session_serial_, {}});
    return;
  }
  Run([this] { Watchdog(); });
}

void DailyCheckPage::Timerdc_releaseTimer() {
  Timerdc_release.SetEnabled(false);  // each release pause ends with exactly one empty line
  if (Holding()) {
    deferred_.push_back({Deferred::Kind::kRelease, session_serial_, {}});
    return;
  }
  Run([this] { Release(); });
}

void DailyCheckPage::Watchdog() {
  if (StopIfNoElement()) return;
  if (Memodc.Text() == DcLastWorkText) RestartCycle("silent, ended by the watchdog");
  DcLastWorkText = Memodc.Text();
}

void DailyCheckPage::Release() {
  if (IdTelnetdc.Connected() && !stopped_) IdTelnetdc.WriteLn("");
}

}  // namespace kestrel::dailycheck
