#pragma once

#include <string>
#include <string_view>

#include "controls/control.h"
#include "controls/list_box.h"
#include "controls/memo.h"
#include "controls/timer.h"
#include "mml/properties_form.h"
#include "mml/session.h"
#include "mml/telnet_client.h"
#include "platform/ports.h"

namespace kestrel::dailycheck {

// The "Daily check" page: supervises the alarms of a list of network elements without end.
// Each element in turn: a session, the alarm list ("ALLIP;"), the standard solutions its
// alarms call for, run one by one in the same session, a report file when any ran, and on to
// the next element. A watchdog moves on from a session that has gone silent.
class DailyCheckPage {
 public:
  DailyCheckPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties,
                 const platform::Clock& clock, platform::Files& files,
                 std::string report_share_root);
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

  mml::TelnetClient& IdTelnetdc;
  const platform::Clock& clock_;
  platform::Files& files_;
  std::string report_share_root_;
  mml::Session session_;
};

}  // namespace kestrel::dailycheck
