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

namespace kestrel::broadcast {

// The "Edge Broadcast check" page: over one session to a BSC, the cells whose
// NUMREQEGPRSBPC is not "0" (RLBDP), their cell broadcast messages with ID 50 (RLMTP), and
// the text of each (RLMBP); the report gives each cell and a ready RLMBC command.
//
// The report also says what kept the check from a full answer: a refused or cut-off RLBDP
// ends the check (there is nothing to go on with); a refused or cut-off RLMTP or RLMBP is
// noted and the check goes on with the next cell or message; a value that does not have the
// shape of a cell name or a message code is noted and never sent; a check that finds nothing
// says in which phase; a lost connection, a refused login or an unknown element says that the
// check did not finish.
class BroadcastPage {
 public:
  static constexpr std::string_view kCells = "RLBDP:CELL=ALL;";
  // How much of a message text an RLMBC command of the report carries.
  static constexpr std::size_t kTextWidth = 25;

  // A message with ID 50 of an EDGE cell as the report gives it, as values (printable) for
  // tools that read the results: the text whole, the command as the report writes it.
  struct Message {
    std::string cell;
    std::string id;
    std::string code;
    std::string text;
    std::string command;
  };

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
  // connection, Stop, a refused login or a refused RLBDP leaves it false.
  bool CheckFinished = false;

  // How the check of the BSC ended, for the runner's recap.
  pages::Outcomes Outcomes;
  // The messages of the report, each added as its lines are written; emptied at Start with
  // the report. The page only ever appends meanwhile, so a reader may take them as it goes.
  std::vector<Message> Results;

  // Where a refused login, an unknown element, a connection that cannot be opened or is lost
  // are shown; without it, only the report says.
  void SetMessages(platform::Messages& messages) { messages_ = &messages; }
  void SetMaxPrintout(std::size_t bytes) { session_.SetMaxPrintout(bytes); }

  // Start, or Stop while a check runs. Throws when no BSC is chosen, and lets a connection
  // error through.
  void StartButtonClick();
  void BrIdTelnetDataAvailable(std::string_view chunk);
  void BrIdTelnetDisconnected();

 private:
  bool CellsComplete(const mml::Answer& answer);
  bool MessagesComplete(const mml::Answer& answer);
  bool TextComplete(const mml::Answer& answer);
  void ReportTexts();
  // A refused or cut-off answer: noted; true when the printout holds nothing to read.
  bool Unread(const mml::Answer& answer);
  void NotSent(std::string_view value, std::string_view shape);
  void RefusedByGateway(const std::string& words);
  // The check ends here; `finished` when it came to its own end.
  void End(bool finished);
  // How far the session had come, for a note on its end: " before the BSC was reached", ...
  std::string Where() const;
  void Note(const std::string& line);
  void Problem(const std::string& line);

  mml::TelnetClient& BrIdTelnet;
  mml::Session session_;
  platform::Messages* messages_ = nullptr;
  // The BSC of the running check, as chosen at Start.
  std::string element_;
  // The check's end is accounted for (in the report and the outcomes); a disconnect that
  // finds it false is a lost connection.
  bool settled_ = true;
  // Something that phase 2 could not read: its "nothing found" must not claim every cell.
  bool messages_missed_ = false;
};

}  // namespace kestrel::broadcast
