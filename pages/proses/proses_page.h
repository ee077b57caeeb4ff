#pragma once

#include <array>
#include <cstdint>
#include <functional>
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
#include "pages/shared/outcomes.h"
#include "pages/shared/read_form.h"
#include "platform/ports.h"

namespace kestrel::proses {

// The "Proses" page: recovers the faulty radio equipment of a queue of BSCs, one session
// each, with the RXTEI or the RXLTI procedure. Every command it sends is one the procedure
// calls for, for an object a complete printout named.
class ProsesPage {
 public:
  ProsesPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties,
             pages::ReadForm& read_form, controls::Control& broadcast_sheet, platform::Sound& sound,
             platform::Messages& messages);
  ProsesPage(const ProsesPage&) = delete;
  ProsesPage& operator=(const ProsesPage&) = delete;

  // The page itself; disabled, with the Edge broadcast page, while a run goes on.
  controls::Panel TabSheet1{"Proses"};

  // Inner page "Proses".
  controls::ListBox ListBox1;  // the BSC queue; its head is the BSC being treated
  controls::ComboBox Necbox;
  controls::Button SpeedButton4{"Add"}, SpeedButton2{"Add all"}, SpeedButton5{"Delete"},
      SpeedButton3{"Delete all"};
  controls::Memo OutMemo;           // the raw session text, and the page's own notes
  controls::Memo InMemo;            // hidden printout buffer
  controls::Memo CellMemo, TsMemo;  // RXTEI working lists
  controls::Edit TgEdit{"TgEdit"};
  controls::Button ConnectButton{"Connect"};
  controls::Panel Startpnl{"Start"};

  // Inner page "Options".
  controls::ListBox FilterListBox;  // cells the RXTEI procedure leaves alone
  controls::Edit AddEdit;
  controls::Button AddBtn{"Add"}, DelBtn{"Delete"};
  controls::CheckBox Cfcbox{"Don't reset to DXU (CF)", true};
  controls::RadioButton Rxteirbtn{"RXTEI", false}, Rxltirbtn{"RXLTI", true};
  controls::Edit ReleaseTimerEdit{"3000"};
  controls::Button ReleaseTimerButton{"Update"};
  controls::CheckBox BeepCheckBox{"BEEP", true};
  controls::Memo Rxaspbufmemo, TsltiMemo;  // RXLTI working lists

  // The release intervals "Update" takes, in milliseconds: a test network's short pause up
  // to a minute between two objects.
  static constexpr int kShortestRelease = 10, kLongestRelease = 60000;
  controls::Timer Timer1{30000}, ReleaseTimer{3000}, BusyTimer{5000};
  // Runs while a session is open and the page waits for the exchange (not during its own
  // pauses): a whole interval without text ends the session as lost.
  controls::Timer WatchdogTimer{60000};

  // What the run does or waits for now: "BSC9: the 30-second wait, until 14:08:00", "BSC9:
  // release pause"; empty while no run goes on.
  controls::Label StatusLabel;

  // How each BSC of the run ended, for the runner's recap and exit status.
  pages::Outcomes Outcomes;

  bool ProsesAttached = false;
  std::string ProsesProcedure, ProsesStep, ProsesConfirm;
  std::string ProsesAllipDone, ProsesRlslpDone, ProsesRxtcpDone, ProsesRxmfpDone, ProsesRxbliDone,
      ProsesRxeseDone, ProsesRxteiDone, ProsesRxesiDone, ProsesRxbleDone, ProsesFinalRlslpDone,
      ProsesRxaspDone, ProsesTsRxbliDone, ProsesRxltiDone, ProsesTsRxbleDone;
  int ProsesMoIndex = 0;

  void SpeedButton4Click();
  void SpeedButton2Click();
  void SpeedButton5Click();
  void SpeedButton3Click();
  void AddBtnClick();
  void DelBtnClick();
  void ReleaseTimerButtonClick();
  void OutMemoDblClick();
  void StartpnlClick();
  void ConnectButtonClick();
  void IdTelnet1DataAvailable(std::string_view chunk);
  void IdTelnet1Disconnected();
  void FinishbtnClick();
  void Timer1Timer();
  void ReleaseTimerTimer();
  void BusyTimerTimer();
  void WatchdogTimerTimer();

  // Site settings: the silence that ends a session (0 or less: never), and the largest
  // printout a session takes.
  void SetWatchdogSeconds(int seconds);
  // The time of day, for when a wait ends in the status line; without it, only what it waits for.
  void SetClock(const platform::Clock& clock) { clock_ = &clock; }
  void SetMaxPrintout(std::size_t bytes);

  // Cleaning of the working lists: duplicates and empty lines go, and what the list's own
  // test removes.
  void CellMemoDblClick();
  void TsMemoDblClick();
  void TsltiMemoDblClick();
  void RxaspbufmemoDblClick();

  // The two procedures, run with every chunk.
  void TeiservispnlDblClick();
  void LtiservispnlDblClick();

 private:
  // A command a procedure wants sent next.
  struct Command {
    explicit Command(std::string command, bool confirm = false, std::string step_word = {})
        : text(std::move(command)), needs_confirmation(confirm), step(std::move(step_word)) {}
    std::string text;
    bool needs_confirmation;
    std::string step;    // what the step becomes; the command text when empty
    std::string object;  // the object an order acts on; empty for reading commands
  };
  using Dispatcher = std::optional<Command> (ProsesPage::*)();
  using PrintoutHandler = void (ProsesPage::*)();

  // How a session ends; anything but kFinished stops the run with a note.
  enum class Ending { kLost, kFinished, kStopped, kWatchdog, kRefused, kOverflow };

  // An object an order of this page took out of traffic and no confirmed order has put back.
  struct Pending {
    std::string element, object;
    bool blocked = false;         // RXBLI went out; RXBLE not confirmed
    bool out_of_service = false;  // RXESE went out; RXESI not confirmed
  };

  void RunFrame(Dispatcher dispatch, PrintoutHandler printouts);
  void Send(std::string_view line);
  // Runs `per_line` on each line of a complete printout up to its prompt, then `on_prompt`
  // once. A printout is complete when a line holds the prompt "<"; until then nothing runs.
  bool OnCompletePrintout(const std::function<void(std::size_t line)>& per_line,
                          const std::function<void()>& on_prompt);
  void Note(const std::string& text);
  // Something went wrong that the engineer must hear of: pane, session log, ledger, and the
  // closing message of the run.
  void Problem(const std::string& text);
  // A value from `command`'s printout that does not have the shape of `what` it stands for.
  void NotSent(std::string_view command, std::string_view value, std::string_view what);
  void ReleasePages();
  void ShowStatus();

  // Ends the open session for `ending`; the disconnected handler writes the note.
  void EndSession(Ending ending, std::string words = {});
  // Notes a session that ended before its BSC was finished, with the ledger's reason, and
  // stops the run; returns the note.
  std::string SessionEndedEarly(Ending ending, const std::string& words);
  // Restarts the watchdog's count, or stops it while no session waits for the exchange.
  void Watch();

  // The orders and their undos.
  static Command Order(std::string_view verb, const std::string& object);
  void OrderSent(const Command& order);
  // Keeps (and notes at once, when refused) the answer to the order before its confirmation.
  void OrderFirstAnswer();
  // Judges the answer to the order in flight (its first answer and the answer to its
  // confirmation): a refusal is noted; a confirmed undo puts its object back.
  void OrderAnswered(const std::string& object);
  // A reading command or a test: its refusal is noted.
  void ReadingAnswered(std::string_view command);
  std::vector<std::string> PendingObjects(std::string_view element) const;
  std::string MayStillBeBlocked(std::string_view element) const;
  std::string ClosingMessage() const;

  std::optional<Command> TeiDispatch();
  void TeiPrintouts();
  std::optional<Command> LtiDispatch();
  void LtiPrintouts();
  std::string TeiObject() const;
  std::string Timeslot() const;
  // Says once per BSC which service orders it skips because their marks carry over.
  void NoteCarriedServiceMarks();

  mml::TelnetClient& IdTelnet1;
  const mml::PropertiesForm& properties_;
  pages::ReadForm& read_form_;
  controls::Control& broadcast_sheet_;
  platform::Sound& sound_;
  platform::Messages& messages_;
  const platform::Clock* clock_ = nullptr;
  mml::Session login_;
  std::vector<controls::Notifier::Subscription> status_sources_;

  // The BSC of the current (or last) session.
  std::string element_;
  // Counts sessions, so that a timer armed in one session does nothing in the next.
  std::uint64_t session_number_ = 0;
  std::uint64_t busy_session_ = 0;
  std::string busy_step_;
  // Set while the page itself ends a session; kLost is every end the page did not ask for.
  Ending ending_ = Ending::kLost;
  std::string ending_words_;
  // Set while the end of a BSC starts the next one: that Start continues the run.
  bool chaining_ = false;
  // What the exchange answered to the order in flight before its confirmation was sent.
  std::optional<mml::Answer> first_answer_;
  // Kept across sessions and runs until the undo is confirmed: a restart begins from fresh
  // lists, but what an earlier session left out of traffic is still named.
  std::vector<Pending> pending_;
  // The RXLTI procedure's service marks: the BSC that set them, and which of them a BSC found
  // set when it began (they carry over, so it skips those orders) and whether it said so.
  std::string service_marks_of_;
  bool carried_rxese_ = false, carried_rxesi_ = false, carried_noted_ = false;
  // What went wrong in this run, and the BSCs it visited, for the closing message.
  std::vector<std::string> run_problems_;
  std::vector<std::string> run_elements_;
};

}  // namespace kestrel::proses
