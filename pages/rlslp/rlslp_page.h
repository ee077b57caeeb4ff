#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "controls/control.h"
#include "controls/list_box.h"
#include "controls/memo.h"
#include "mml/answer.h"
#include "mml/properties_form.h"
#include "mml/session.h"
#include "mml/telnet_client.h"
#include "pages/shared/outcomes.h"
#include "platform/ports.h"

namespace kestrel::rlslp {

// The "RLSLP_check" page: for a queue of BSCs, one session each, it prints the logical
// channel state of all cells ("RLSLP:CELL=ALL;") and reports every cell whose channels are
// not active. The page's controls are public, as the views and the runner bind to them.
//
// Only a clean check closes a BSC's block with "Finish check". Whatever else ends a BSC says
// so in the report, and in the queue:
// - a refused command or a printout cut off before its END: noted; the BSC leaves the queue
//   and the next one is checked;
// - an unknown element, or an answer past the printout cap: noted (the element's refusal also
//   in a message box); the BSC leaves the queue and the next one is checked;
// - a refused login: noted and shown in a message box; the check stops with the BSC at the
//   head of the queue, as the same user and password would be refused for every BSC;
// - a connection that cannot be opened or is lost: noted and shown in a message box; the check
//   stops with the BSC at the head of the queue;
// - Stop: noted; the check stops with the BSC at the head of the queue.
class RlslpPage {
 public:
  static constexpr std::string_view kCommand = "RLSLP:CELL=ALL;";

  // A cell whose logical channels are not active: one "ACTIVE=" line of the report, as
  // values (printable, as the report shows them) for tools that read the results.
  struct InactiveCell {
    std::string bsc;
    std::string cell;
    std::string active;
  };

  RlslpPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties);
  RlslpPage(const RlslpPage&) = delete;
  RlslpPage& operator=(const RlslpPage&) = delete;

  controls::ListBox SlpListBox;  // the queue, checked from the top
  controls::ComboBox SlpComboBox;
  controls::Button Button1{"Add gueue"};
  controls::Button Button2{"Delete gueue"};
  controls::Button SlpstartButton{"Start"};
  controls::Memo SlpreportMemo;
  controls::Memo SlpMemo;  // hidden printout buffer
  controls::Panel AnimationPanel{"Please wait...", false};

  bool SlpAttached = false;
  std::string SlpStep;

  // How each BSC of the check ended, for the runner's recap.
  pages::Outcomes Outcomes;
  // The cells of the report's "ACTIVE=" lines, each added as its line is written. The page
  // only ever appends, so a reader may take them away as it goes.
  std::vector<InactiveCell> Results;
  // True when the gateway refused the login of the last BSC: not the BSC itself, and not for
  // the limit of its sessions, but the user or the password, which would be refused for
  // every BSC.
  bool LoginRefused() const { return login_refused_; }

  // Where a refused login, an unknown element, a connection that cannot be opened or is lost
  // are shown; without it, only the report says.
  void SetMessages(platform::Messages& messages) { messages_ = &messages; }
  void SetMaxPrintout(std::size_t bytes) { session_.SetMaxPrintout(bytes); }

  void Button1Click();
  void Button2Click();
  // Start, or Stop while a check runs. Throws when there is no BSC to check, or when the
  // gateway's address can name no connection (noted under the "Check: " line).
  void SlpstartButtonClick();
  void SlpIdTelnetDataAvailable(std::string_view chunk);
  void SlpIdTelnetDisconnected();

 private:
  void CheckDone(const mml::Answer& answer);
  void ReportInactiveCells();
  void RefusedByGateway(const std::string& words);
  // Ends the session of the BSC being checked, then goes on with the next BSC of the queue
  // when `leaves_queue`; `box` (when not empty) is shown between the two.
  void EndBsc(bool leaves_queue, std::string_view box = {});
  void Note(const std::string& line);
  void Problem(const std::string& line);
  // How far the session had come, for a note on its end: " before the BSC was reached", ...
  std::string Where() const;

  mml::TelnetClient& SlpIdTelnet;
  mml::Session session_;
  platform::Messages* messages_ = nullptr;
  // The BSC whose "Check: " line was written last: the session selects it, and only it
  // leaves the queue when its check is done, even if the engineer edited the queue meanwhile.
  std::string checking_;
  // The BSC's end is accounted for (in the report and the outcomes); a disconnect that finds
  // it false is a lost connection.
  bool settled_ = true;
  bool login_refused_ = false;
};

}  // namespace kestrel::rlslp
