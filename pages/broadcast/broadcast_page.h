#pragma once

#include <string>
#include <string_view>

#include "controls/control.h"
#include "controls/list_box.h"
#include "controls/memo.h"
#include "mml/properties_form.h"
#include "mml/session.h"
#include "mml/telnet_client.h"

namespace kestrel::broadcast {

// The "Edge Broadcast check" page: over one session to a BSC, the cells whose
// NUMREQEGPRSBPC is not "0" (RLBDP), their cell broadcast messages with ID 50 (RLMTP), and
// the text of each (RLMBP); the report gives each cell and a ready RLMBC command.
class BroadcastPage {
 public:
  BroadcastPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties);
  BroadcastPage(const BroadcastPage&) = delete;
  BroadcastPage& operator=(const BroadcastPage&) = delete;

  controls::ComboBox BscComboBox;
  controls::Button StartButton{"Start"};
  controls::Memo ReportMemo;
  controls::Memo BrMemo;                              // printout buffer
  controls::Memo BrbufMemo1, BrbufMemo2, BrbufMemo3;  // work lists A, B and C
  controls::Edit DirnaqEdit{"\""};                    // the quotation mark around texts

  bool BrAttached = false;
  std::string BrStep;
  std::string Phase1Done, Phase2Done, Phase3Done;
  // Set when the check came to its own end (all read, or nothing to read); a lost
  // connection or Stop leaves it false.
  bool CheckFinished = false;

  void StartButtonClick();
  void BrIdTelnetDataAvailable(std::string_view chunk);
  void BrIdTelnetDisconnected();

 private:
  bool CellsComplete();
  bool MessagesComplete();
  bool TextComplete();
  void Send(const std::string& command);
  void End();

  mml::TelnetClient& BrIdTelnet;
  mml::Session session_;
};

}  // namespace kestrel::broadcast
