#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/control.h"
#include "controls/list_box.h"
#include "controls/memo.h"
#include "controls/timer.h"
#include "mml/answer.h"
#include "mml/properties_form.h"
#include "mml/session.h"
#include "mml/telnet_client.h"
#include "pages/dailycheck/blocking.h"
#include "pages/dailycheck/history.h"
#include "pages/dailycheck/known_alarms.h"
#include "pages/shared/backoff.h"
#include "pages/shared/outcomes.h"
#include "platform/ports.h"

namespace kestrel::dailycheck {

// The warning filter the page starts with: 25 lines of alarms the site does not want to hear.
std::string DefaultFilter();
// "A2" of a header line "A2/APT ...": the class that stands first in it; empty for no header.
std::string AlarmClass(std::string_view line);

// The "Daily check" page: supervises the alarms of a list of network elements without end.
// Each element in turn: a session, the alarm list ("ALLIP;"), the standard solutions its
// alarms call for, run one by one in the same session, a report file when any ran, and on to
// the next element. A watchdog moves on from a session that has gone silent.
//
// A visit that ends before its queue ran to its end says so in the report pane, naming what
// was in flight and every object that its orders blocked and no confirmed order deblocked,
// and leaves the element's report file behind.
//
// A warning sound holds the scan of the alarm list until it is over, without holding anything
// else of the program: the scan stops at the warning and goes on at the sound's end. Received
// text, the end of the connection and timer ticks that arrive meanwhile wait until the scan
// has gone on past it; Stop takes effect at once and cuts the sound.
class DailyCheckPage {
 public:
  struct Ports {
    const platform::Clock& clock;
    platform::Files& files;
    platform::Sound& sound;
    platform::FileDialogs& dialogs;
  };
  // The known alarm list is large and never changes: pages that run side by side share one.
  DailyCheckPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties, Ports ports,
                 std::string report_share_root, std::shared_ptr<const KnownAlarms> known_alarms,
                 std::string sounds_folder);
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
  controls::Memo Memodc;        // the session log of the current visit
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
  // Ends a wait of the endless check: for the next cycle, or for an element's back-off.
  controls::Timer Timerdc_wait{1000};
  // What the page does or waits for now, and until when: "BSC9: checking", "next cycle at
  // 14:08:30", "BSC9: next try at 14:09:00", "BSC9: connection lost; next element at ...".
  controls::Label Statusdc{"stopped"};

  bool DcAttached = false;
  std::string DcStep, DcAllipDone, DcLastWorkText;

  void AdddcClick();
  void Button3Click();
  void DeletedcClick();
  void DeletealldcClick();
  // Throws when the loop cannot start: no report share root, no element. A connection that
  // cannot be opened is noted (and shown in a box, where the page has messages) and stops the
  // loop.
  void StartdcClick();
  // Starts as the cycle itself goes on to an element, for a page that takes turns with
  // others: a connection that cannot be opened is noted in the report and the watchdog tries
  // the next element at its next tick, instead of the loop stopping.
  void StartdcInCycle();
  // Ends the loop whatever it is doing: the session, the watchdog, the release pause.
  void StopdcClick();
  void IdTelnetdcDataAvailable(std::string_view chunk);
  void IdTelnetdcDisconnected();
  void TimerdcTimer();
  void Timerdc_releaseTimer();
  void Timerdc_waitTimer();

  // The pace of the endless check, so that a fast gateway, or one that refuses every element,
  // is not hammered: a new cycle over the list starts no sooner than `min_cycle_s` after the
  // previous one started; an element that could not be checked is visited again no sooner
  // than its back-off, `retry_s` doubling with each failure in a row up to ten minutes, and
  // passed over meanwhile. 0 for either: no wait (the page's own default).
  void SetPacing(int min_cycle_s, int retry_s);
  // True when the last visit that ended read its element's alarm list to its end.
  bool LastVisitChecked() const { return last_checked_; }
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

  // The largest answer one command may bring; a larger one ends the session.
  void SetMaxPrintout(std::size_t bytes) { session_.SetMaxPrintout(bytes); }

  // How each element's visits ended: what the runner's recap and exit status rest on.
  pages::Outcomes Outcomes;

  // A warning or a queued solution: one report line of the kind, with its parts as values
  // (printable) for tools that read the results. `time` is the date and time of the line;
  // `alarm_class` is the class of the alarm's header line ("A1", "A2", "A3", "O1", "O2"),
  // empty for what belongs to no alarm of the list (the many-alarms warning, the follow-up
  // of a software error event); `slogan` is the alarm's text, empty for a follow-up.
  struct Finding {
    std::string element;
    std::string time;
    std::string alarm_class;
    std::string slogan;
    std::string kind;  // "warning" or "solution"
    std::string line;  // the report line
  };
  // The warnings and solutions of the report, each added as its line is written while
  // RecordResults is set (a run without end that reads none would keep them all). The page
  // only ever appends, so a reader may take them away as it goes.
  std::vector<Finding> Results;
  bool RecordResults = false;

  // Counts refusals in a row together with `other`: pages that supervise one list side by
  // side see the login at fault when every element was refused in a row, whichever page
  // each refusal came to.
  void CountRefusalsWith(const DailyCheckPage& other) {
    refusals_in_a_row_ = other.refusals_in_a_row_;
  }

  // True while a warning sounds and the scan waits for its end.
  bool Sounding() const { return sounding_; }

  // Where a connection that cannot be opened at Start is shown, besides the report.
  void SetMessages(platform::Messages& messages) { messages_ = &messages; }

  // Where each pass goes when it ends: the history and the metrics file. None: nowhere. What
  // the watch does never changes what the page sends or reports.
  void SetPassWatch(PassWatch* watch) { watch_ = watch; }

  const KnownAlarms& AllAlarmsMemo() const { return *known_alarms_; }
  const std::string& SoundsFolder() const { return sounds_folder_; }

 private:
  // An event that arrived while a handler of the page was running or a warning sounded, for
  // after it.
  struct Deferred {
    enum class Kind { kChunk, kDisconnected, kWatchdog, kRelease, kWait, kStart, kStartInCycle };
    Kind kind;
    std::uint64_t session;  // the session it belongs to
    std::string chunk;
  };
  // A deblock order whose confirmation is awaited: "EXECUTED" in its own answer or in the
  // answer to the ";" that follows it.
  struct Deblock {
    std::string object;
    std::string order;
    bool confirming = false;  // its own answer came without a verdict; the ";" is next
  };
  // One session for one element, from its connection to its end.
  struct Visit {
    bool open = false;
    std::string element;
    bool queue_started = false;  // the alarm list was asked for: the queue is this visit's
    BlockedObjects blocked;
    std::optional<Deblock> deblock;
    std::string last_order;  // the last entry sent that was neither ";" nor Ctrl-D
    bool in_cycle = false;   // opened by the loop itself, not by the engineer's Start
    bool noted = false;      // its end is in the report already (a refusal, the cap)
  };

  std::string Element() const { return std::string(ListBoxdc.First()); }

  // The handlers' bodies; the public handlers defer them while another one runs or a warning
  // sounds.
  void Run(const std::function<void()>& body);
  void Drain();
  bool Holding() const { return busy_ > 0 || sounding_; }
  // `in_cycle`: the loop goes on to an element by itself, rather than the engineer starting it.
  void Start(bool in_cycle);
  void StartInCycle();
  void Chunk(std::string_view chunk);
  void Disconnected();
  void Watchdog();
  void Release();

  // How far the scan of the alarm list came with this chunk.
  enum class ScanState { kIncomplete, kPaused, kDone };
  ScanState ScanAlarmList();
  // Scans on from where the last warning's sound stopped it.
  ScanState ContinueScan();
  std::optional<std::size_t> ListEnd() const;
  void QueueEntryDone();
  void NextCommand();
  // True while the session that `session` names still stands and Stop was not pressed.
  bool Going(std::uint64_t session) const;

  // Opens a session on the first element; throws what the connection throws at once.
  void OpenSession(bool in_cycle);
  // Closes the session for `why` ("" when the visit is done); its disconnected event runs
  // before this returns.
  void EndSession(const std::string& why);
  void RestartCycle(const std::string& why);
  // The pacing: the next element now, or a wait for the next cycle or for a back-off.
  void GoOn();
  void Wait(std::int64_t ms, const std::string& what);
  void Rotate();
  // The visit's end, for the back-off of its element.
  void Settle(bool checked);
  // The time of day `ms` from now.
  std::string TimeIn(std::int64_t ms) const;
  // A connection to the next element could not be opened: noted, and left to the watchdog.
  void ConnectionFailed(const std::string& error);
  void WatchdogGoesOn(const std::string& why);
  bool StopIfNoElement();
  void Refused(const std::string& words);

  // The visit: orders as they are sent and answered, its end, the report file.
  void Sending(const std::string& entry);
  void Answered(const std::string& entry, const mml::Answer& answer);
  void Unconfirmed(const Deblock& deblock);
  void VisitDone();
  void VisitEndedEarly();
  std::string InFlight() const;
  void SaveReportFile(const std::string& element);

  // The solution rules and the event code rule.
  void SolutionRules(std::size_t line);
  void EventCodeRule(std::size_t line);
  void Queue(std::string_view entry);
  // A value of a printout that does not have the shape of what it stands for: not sent.
  void NotQueued(std::string_view what, std::string_view value, std::string_view shape);
  void Report(const std::string& text);
  // A warning or a solution: its record, then its report line.
  void Found(std::string_view kind, std::string alarm_class, std::string slogan,
             const std::string& line, const platform::LocalDateTime& at);
  // The class of the alarm whose lines reach down to `line` of the printout buffer.
  std::string AlarmClassAbove(std::size_t line) const;
  // A failure, for the report pane (with the time) and the ledger.
  void Problem(const std::string& text);
  std::string TimeOfDay() const;
  std::string DateTime() const;
  static std::string TimeOfDay(const platform::LocalDateTime& at);
  static std::string DateTime(const platform::LocalDateTime& at);

  // The pass of the visit, for the history: begun with its session, its alarms noted as the
  // list is scanned, ended with the visit.
  void BeginPass();
  void NoteAlarm(std::size_t line);
  void NoteAnswer(const std::string& entry, const mml::Answer& answer);
  void EndPass(PassEnding ending, const std::string& detail);
  PassEnding EarlyEnding() const;

  // The warnings: the many-alarms test once per scan, the warning rule per line, and the
  // sound of a warning. Each returns true when a sound started: the scan waits for its end.
  bool ManyAlarmsTest();
  bool WarningRule(std::size_t line);
  bool WarningSound(std::string_view alarm);
  void PlayNextSound();
  void SoundEnded(std::uint64_t session);
  // Ends the sound and the scan it holds (Stop, or a session that is gone).
  void CutSound();

  mml::TelnetClient& IdTelnetdc;
  const platform::Clock& clock_;
  platform::Files& files_;
  platform::Sound& sound_;
  platform::FileDialogs& dialogs_;
  platform::Messages* messages_ = nullptr;
  std::string report_share_root_;
  std::shared_ptr<const KnownAlarms> known_alarms_;
  std::string sounds_folder_;
  mml::Session session_;
  std::string last_warning_key_;

  Visit visit_;
  // The scan of an alarm list that arrived whole, where a warning's sound stopped it.
  struct Scan {
    std::size_t next = 0;  // the next line of the printout buffer to scan
    std::size_t end = 0;   // the list's END line
  };
  std::optional<Scan> scan_;
  // What is still to sound of the warning that sounds now: recordings, or tones where the
  // path is empty.
  struct SoundStep {
    std::string path;
    int hz = 0;
  };
  std::deque<SoundStep> sound_steps_;
  bool sounding_ = false;
  std::uint64_t session_serial_ = 0;
  int busy_ = 0;            // handlers of the page running, one inside the other
  bool closing_ = false;    // the page itself is closing the session: its end is handled now
  bool stopped_ = false;    // Stop was pressed and Start not since
  std::string end_reason_;  // why the page ended the session, for its visit's end
  std::shared_ptr<std::size_t> refusals_in_a_row_ = std::make_shared<std::size_t>(0);
  std::deque<Deferred> deferred_;

  std::int64_t min_cycle_ms_ = 0;
  std::int64_t cycle_started_ = 0;
  std::size_t turns_ = 0;  // elements visited or passed over in this cycle
  pages::Backoffs backoff_;
  bool last_checked_ = false;
  std::string last_end_;  // why the last visit ended early, for the status line
  PassWatch* watch_ = nullptr;
  std::optional<Pass> pass_;
};

}  // namespace kestrel::dailycheck
