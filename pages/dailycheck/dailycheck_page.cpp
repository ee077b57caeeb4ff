#include "pages/dailycheck/dailycheck_page.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "mml/columns.h"
#include "mml/network_elements.h"

namespace kestrel::dailycheck {

using mml::Contains;

namespace {
constexpr std::string_view kAlarmList = "ALLIP;";
constexpr std::string_view kRelease = "\x04";

}  // namespace

DailyCheckPage::DailyCheckPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties,
                               Ports ports, std::string report_share_root, KnownAlarms known_alarms,
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
      session_{telnet, Memobufdc, &Memodc, DcAttached, DcStep, properties} {
  std::vector<std::string> scopes = {"ALL"};
  scopes.insert(scopes.end(), mml::NetworkElementPickList().begin(),
                mml::NetworkElementPickList().end());
  ComboBox1 = controls::ComboBox(std::move(scopes), "ALL");
  const auto& alarms = known_alarms_.Entries();
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

void DailyCheckPage::StartdcClick() {
  if (ListBoxdc.Empty()) {
    if (mml::Trim(Nedc.Text()).empty()) {
      throw std::runtime_error(
          "No network element to supervise: choose one and add it to the list");
    }
    ListBoxdc.Add(Nedc.Text());
  }
  if (IdTelnetdc.Connected()) return;
  session_.Connect();
  Animate2.SetVisible(true);
  Timerdc.SetEnabled(true);
}

void DailyCheckPage::StopdcClick() {
  if (!IdTelnetdc.Connected()) return;
  IdTelnetdc.Disconnect();
  Timerdc.SetEnabled(false);
}

void DailyCheckPage::IdTelnetdcDataAvailable(std::string_view chunk) {
  if (StopIfNoElement()) return;
  const mml::Received received = session_.Receive(chunk, ListBoxdc.First());
  // A refused login or an answer past the printout cap ends the session.
  if (received.refused || received.overflow) {
    IdTelnetdc.Disconnect();
    return;
  }
  const bool prompt = Contains(chunk, "<");
  const bool list_complete = DcStep == kAlarmList && prompt && ScanAlarmList();
  if (!list_complete && prompt && Memokom.LineCount() > 0 && DcStep == Memokom.Line(0)) {
    QueueEntryDone();
  }
  NextCommand();
}

void DailyCheckPage::IdTelnetdcDisconnected() {
  DcAttached = false;
  DcAllipDone.clear();
  Animate2.SetVisible(false);
}

// The alarm list is scanned line by line up to its end: an "END" line whose second row
// below holds the prompt. A scan that finds no end waits for the next chunk with "<".
bool DailyCheckPage::ScanAlarmList() {
  ManyAlarmsTest();
  last_warning_key_.clear();
  for (std::size_t i = 0; i < Memobufdc.LineCount(); ++i) {
    SolutionRules(i);
    WarningRule(i);
    if (Contains(Memobufdc.Line(i), "END") &&
        Contains(Memobufdc.Line(mml::RowBelow(Memobufdc, i, 2)), "<")) {
      DcStep = mml::kReady;
      DcAllipDone = "OK";
      if (Memokom.LineCount() == 0) {
        Memodc.Clear();
        RestartCycle();
      }
      return true;
    }
  }
  return false;
}

// The head of the queue has its answer: follow-ups for its event codes, then the next entry,
// or, when the queue is empty, the report file and the next element.
void DailyCheckPage::QueueEntryDone() {
  for (std::size_t j = 0; j < Memobufdc.LineCount(); ++j) {
    EventCodeRule(j);
    if (!Contains(Memobufdc.Line(j), "<")) continue;
    DcStep = mml::kReady;
    Memokom.DeleteLine(0);
    if (Memokom.LineCount() == 0) {
      SaveReportFile();
      Memodc.Clear();
      RestartCycle();
    }
    return;
  }
}

void DailyCheckPage::NextCommand() {
  if (!DcAttached || DcStep != mml::kReady) return;
  if (DcAllipDone != "OK") {
    Memokom.Clear();  // what an earlier session left is not run again
    session_.Send(kAlarmList);
    return;
  }
  if (Memokom.LineCount() == 0) return;
  session_.Send(Memokom.Line(0));
  if (DcStep == kRelease) Timerdc_release.SetEnabled(true);
}

// Rotates the list and opens a session to the next element. A connection that fails here
// is noted and the watchdog tries the next element at its next tick: an unattended loop
// must not end for one unreachable moment.
void DailyCheckPage::RestartCycle() {
  if (StopIfNoElement()) return;
  const std::string current = Element();
  ListBoxdc.Delete(0);
  ListBoxdc.Add(current);
  StopdcClick();
  if (BeforeNextElement && !BeforeNextElement()) {
    Timerdc.SetEnabled(false);
    return;
  }
  try {
    StartdcClick();
  } catch (const std::exception& error) {
    Report(Element() + ": " + error.what() + "; the watchdog tries the next element");
    Timerdc.SetEnabled(true);
  }
}

// Every step reads the first element of the list; an engineer may have emptied it.
bool DailyCheckPage::StopIfNoElement() {
  if (!ListBoxdc.Empty()) return false;
  const bool running = IdTelnetdc.Connected() || Timerdc.Enabled();
  Timerdc.SetEnabled(false);
  Timerdc_release.SetEnabled(false);
  if (IdTelnetdc.Connected()) IdTelnetdc.Disconnect();
  if (running) Report("Daily check stopped: the element list is empty");
  return true;
}

void DailyCheckPage::TimerdcTimer() {
  if (StopIfNoElement()) return;
  if (Memodc.Text() == DcLastWorkText) RestartCycle();
  DcLastWorkText = Memodc.Text();
}

void DailyCheckPage::Timerdc_releaseTimer() {
  Timerdc_release.SetEnabled(false);
  if (IdTelnetdc.Connected()) IdTelnetdc.WriteLn("");
}

// The session log of an element whose solutions ran, as
// <root>/Kestreldailycheck/<element>_Create_<ddmmyyyy_hhmmss>.txt. The element's name is
// only ever a file name: path separators in it are replaced.
void DailyCheckPage::SaveReportFile() {
  const platform::LocalDateTime now = clock_.Now();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d%02d%04d_%02d%02d%02d", now.day, now.month, now.year,
                now.hour, now.minute, now.second);
  std::string name = Element() + "_Create_" + stamp + ".txt";
  std::replace_if(
      name.begin(), name.end(), [](char c) { return c == '/' || c == '\\'; }, '_');
  std::string folder = report_share_root_;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const std::string path = folder + "Kestreldailycheck/" + name;
  std::string text;
  for (std::size_t i = 0; i < Memodc.LineCount(); ++i) text.append(Memodc.Line(i)).append("\r\n");
  try {
    files_.WriteWhole(path, text);
  } catch (const std::exception& error) {
    Report(Element() + ": report file " + path + " not saved: " + error.what());
  }
}

void DailyCheckPage::Report(const std::string& text) { Memoreportdc.AddLine(text); }

std::string DailyCheckPage::DateTime() const {
  const platform::LocalDateTime now = clock_.Now();
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", now.day, now.month, now.year,
                now.hour, now.minute, now.second);
  return text;
}

std::string DailyCheckPage::TimeOfDay() const {
  const platform::LocalDateTime now = clock_.Now();
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hour, now.minute, now.second);
  return text;
}

}  // namespace kestrel::dailycheck
