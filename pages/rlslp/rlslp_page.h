#pragma once

#include <string>
#include <string_view>

#include "controls/control.h"
#include "controls/list_box.h"
#include "controls/memo.h"
#include "mml/properties_form.h"
#include "mml/session.h"
#include "mml/telnet_client.h"

namespace kestrel::rlslp {

// The "RLSLP_check" page: for a queue of BSCs, one session each, it prints the logical
// channel state of all cells ("RLSLP:CELL=ALL;") and reports every cell whose channels are
// not active. The page's controls are public, as the views and the runner bind to them.
class RlslpPage {
 public:
  static constexpr std::string_view kCommand = "RLSLP:CELL=ALL;";

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

  void Button1Click();
  void Button2Click();
  // Start, or Stop while a check runs. Throws when there is no BSC to check, and lets a
  // connection error through with the "Check: " line already written.
  void SlpstartButtonClick();
  void SlpIdTelnetDataAvailable(std::string_view chunk);
  void SlpIdTelnetDisconnected();

 private:
  void ReportInactiveCells();
  void FinishBsc();

  mml::TelnetClient& SlpIdTelnet;
  mml::Session session_;
  // The BSC whose "Check: " line was written last: the session selects it, and only it
  // leaves the queue when its check is done, even if the engineer edited the queue meanwhile.
  std::string checking_;
};

}  // namespace kestrel::rlslp
