#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "controls/control.h"
#include "controls/list_box.h"
#include "controls/memo.h"
#include "controls/timer.h"
#include "mml/properties_form.h"
#include "mml/session.h"
#include "mml/telnet_client.h"
#include "pages/dailycheck/known_alarms.h"
#include "platform/ports.h"

namespace kestrel::dailycheck {

// The warning filter the page starts with: 25 lines of alarms the site does not want to hear.
std::string DefaultFilter();

// The "Daily check" page: supervises the alarms of a list of network elements without end.
// Each element in turn: a session, the alarm list ("ALLIP;"), the standard solutions its
// alarms call for, run one by one in the same session, a report file when any ran, and on to
// the next element. A watchdog moves on from a session that has gone silent.
class DailyCheckPage {
 public:
  struct Ports {
    const platform::Clock& clock;
    platform::Files& files;
    platform::Sound& sound;
    platform::FileDialogs& dialogs;
  };
  DailyCheckPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties, Ports ports,
                 std::string report_share_root, KnownAlarms known_alarms,
                 std::string sounds_folder);
  DailyCheckPage(const DailyCheckPage&) = delete;
  DailyCheckPage& operator=(const DailyCheckPage&) = delete;

  controls::ListBox ListBoxdc;  // the elements; the first is the current one
  controls::ComboBox Nedc;
  controls::Button Adddc, Button3, Deletedc, Deletealldc, Startdc, Stopdc;
  controls::Panel Animate2{"", false};
  controls::Memo Memoreportdc;  // the report pane, never cleared by the page
  controls::Memo Memodc;        // the session log
  controls::Memo Memokom;       // the solution queue, head first
  controls::Memo Memobufdc;     // the printout buffer

  controls::CheckBox SeqarCheckBox{"SEQAR", true}, SetarCheckBox{"SETAR", true},
      SoftErrorCheckBox{"SoftwareError (xususi hal ucun)", false},
      PermanentCheckBox{"Pemanent fault: DXU", false}, NearendCheckBox{"Near end", true},
      EnumCheckBox{"Enum", true}, SaeCheckBox{"SAE", false}, SoundCheckBox{"Sound", true};

  // The "Warning" page: the filter, and the pick lists to add a filter line from.
  controls::Memo FilterMemo;
  controls::ComboBox ComboBox1, ComboBox2;
  controls::Button Button4{"Add"}, Button5{"Save as.. Filter"}, Button6{"Load Filter"};

  // The "Sound" page: the recordings of a folder, "Open" and "Test location".
  controls::ListBox FileListBox1;
  controls::Label FileListFolder;  // the folder the list shows
  controls::Button Button7{"Open"}, Button8{"Test location"};

  controls::Timer Timerdc{30000}, Timerdc_release{3000};

  bool DcAttached = false;
  std::string DcStep, DcAllipDone, DcLastWorkText;

  void AdddcClick();
  void Button3Click();
  void DeletedcClick();
  void DeletealldcClick();
  void StartdcClick();
  void StopdcClick();
  void IdTelnetdcDataAvailable(std::string_view chunk);
  void IdTelnetdcDisconnected();
  void TimerdcTimer();
  void Timerdc_releaseTimer();
  // Asked before each restart of the cycle; false ends the loop after the current element
  // instead (how a headless run counts its passes). Unset: the loop runs on.
  std::function<bool()> BeforeNextElement;

  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button7Click();
  void Button8Click();
  void FileListBox1DblClick();
  // Points the file list at a folder, with only its "*.wav" files.
  void ShowSoundFolder(const std::string& folder);

  const KnownAlarms& AllAlarmsMemo() const { return known_alarms_; }
  const std::string& SoundsFolder() const { return sounds_folder_; }

 private:
  std::string Element() const { return std::string(ListBoxdc.First()); }
  // True when the scan found the end of the list.
  bool ScanAlarmList();
  void QueueEntryDone();
  void NextCommand();
  void RestartCycle();
  bool StopIfNoElement();
  void SaveReportFile();

  // The solution rules and the event code rule.
  void SolutionRules(std::size_t line);
  void EventCodeRule(std::size_t line);
  void Queue(std::string_view entry);
  void Report(const std::string& text);
  std::string TimeOfDay() const;
  std::string DateTime() const;

  // The warnings: the many-alarms test once per scan, the warning rule per line, and the
  // sound of a warning.
  void ManyAlarmsTest();
  void WarningRule(std::size_t line);
  void WarningSound(std::string_view alarm);

  mml::TelnetClient& IdTelnetdc;
  const platform::Clock& clock_;
  platform::Files& files_;
  platform::Sound& sound_;
  platform::FileDialogs& dialogs_;
  std::string report_share_root_;
  KnownAlarms known_alarms_;
  std::string sounds_folder_;
  mml::Session session_;
  std::string last_warning_key_;
};

}  // namespace kestrel::dailycheck
