// How the Edge broadcast, RLSLP, relocation, neighbours, Proses and Daily check pages end a
// session that does not run to its own end: cut at every step of their dialogue (the peer
// closes, the client ends it, Stop, and where a page has one its watchdog), refused by the
// gateway, past the printout cap, or never opened. Each page is a row: how it starts, its
// dialogue, and its words; what is checked is the same for all.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

#include "pages/broadcast/broadcast_test_fixture.h"
#include "pages/dailycheck/dailycheck_test_fixture.h"
#include "pages/neighbours/neighbours_test_fixture.h"
#include "pages/proses/proses_test_exchange.h"
#include "pages/relocation/relocation_test_fixture.h"
#include "pages/rlslp/rlslp_test_fixture.h"
#include "tests/test_data.h"

namespace kestrel::testing {
namespace {

// How a session ends: the peer closes, the client gives up on what it got, the engineer
// presses Stop, or the element falls silent until the page's watchdog ends it.
enum class Ending { kPeer, kClient, kStop, kSilence };

// What the client says when it ends a session itself.
constexpr const char* kClientReason = "more than 1 MB in one line";

struct Cut {
  std::size_t step;  // whole steps played before the end, and maybe half the next
  Ending ending;
  std::string in_flight;  // the last line sent before the end
};

// The login as the gateway prompts it, a step each.
const std::vector<std::string> kPrompts = {"User: ", "Password: ", "NE: ", "\r\nWO      BSC9\r\n<"};
constexpr std::size_t kLoginSteps = 4;

// Delivers `text` in chunks until the page ends the session (what follows would go to the
// next session on the same client).
void Deliver(FakeTelnetClient& telnet, std::string_view text, std::size_t chunk) {
  const std::size_t events = telnet.events.size();
  for (std::size_t pos = 0; pos < text.size() && telnet.Connected(); pos += chunk) {
    for (std::size_t k = events; k < telnet.events.size(); ++k) {
      if (!telnet.events[k].starts_with("> ")) return;
    }
    telnet.Receive(text.substr(pos, chunk));
  }
}

// A page on fake sessions, set to check BSC9.
struct Rig {
  virtual ~Rig() = default;
  virtual FakeTelnetClient& Telnet() = 0;  // the session that ends
  virtual void Start() = 0;                // the page's inputs, then Start
  virtual void Stop() = 0;
  virtual std::string Answer(const std::string& /*command*/) const { return ""; }
  virtual void Other(std::size_t /*step*/) {}  // what another session does meanwhile
  virtual void SetMaxPrintout(std::size_t bytes) = 0;
  virtual std::string Report() = 0;  // what the page says of the check
  virtual std::string Script() { return ""; }
  virtual const std::vector<std::string>& Shown() const = 0;
  virtual const pages::ElementOutcome* Outcome() const = 0;
  virtual bool Idle() = 0;  // no button claims a check runs, nothing is connected
  // A prompt of the login, then the answer to the command in flight.
  std::string Text(std::size_t step) {
    return step < kLoginSteps ? kPrompts[step] : Answer(Telnet().Sent().back());
  }
  virtual void Play(std::size_t step) {
    Deliver(Telnet(), Text(step), 3);
    Other(step);
  }
  // Plays the first half of step n; false where the step has no middle.
  virtual bool Half(std::size_t step) {
    Telnet().Receive(Text(step).substr(0, Text(step).size() / 2));
    return true;
  }
  virtual void Silence() {}  // until the page's watchdog ends the session
  // The whole dialogue again from Start, as it goes on a fresh session whose banner holds a
  // "<": what it sent, said and wrote.
  virtual std::string Again(std::size_t steps) {
    Telnet().Forget();
    Start();
    Telnet().Receive("\r\n<<< KESTREL COMMAND GATEWAY >>>\r\n\r\n");
    for (std::size_t step = 0; step < steps; ++step) Play(step);
    std::string all;
    for (const auto& line : Telnet().Sent()) all += "> " + line + "\r\n";
    return all + Report() + Script();
  }
};

// A rig on a page's harness: the page's printout cap, its message boxes and BSC9's outcome.
template <typename Harness>
struct On : Rig, Harness {
  using Harness::Harness;
  void SetMaxPrintout(std::size_t bytes) override { this->page.SetMaxPrintout(bytes); }
  const std::vector<std::string>& Shown() const override { return this->messages.shown; }
  const pages::ElementOutcome* Outcome() const override { return this->page.Outcomes.Find("BSC9"); }
};

struct BroadcastRig : On<broadcast::testing::BroadcastHarness> {
  FakeTelnetClient& Telnet() override { return telnet; }
  const std::map<std::string, std::string> bsc =
      pages::testing::Printouts("broadcast-bscs.txt", "three cells, one message");
  void Start() override { page.StartButtonClick(); }
  void Stop() override { page.StartButtonClick(); }
  std::string Answer(const std::string& command) const override {
    return pages::testing::Answer(bsc, command);
  }
  std::string Report() override { return page.ReportMemo.Text(); }
  bool Idle() override {
    return page.StartButton.Caption() == "Start" && !telnet.Connected() && !page.BrMemo.Visible() &&
           !page.CheckFinished;
  }
};

struct RlslpRig : On<rlslp::testing::RlslpHarness> {
  FakeTelnetClient& Telnet() override { return telnet; }
  void Start() override {
    page.SlpreportMemo.Clear();
    if (page.SlpListBox.Empty()) Queue({"BSC9", "BSC10"});
    page.SlpstartButtonClick();
  }
  void Stop() override { page.SlpstartButtonClick(); }
  std::string Answer(const std::string&) const override {
    return rlslp::testing::Printout("two cells");
  }
  std::string Report() override { return page.SlpreportMemo.Text(); }
  bool Idle() override {
    return page.SlpstartButton.Caption() == "Start" && !telnet.Connected() &&
           !page.AnimationPanel.Visible() &&
           page.SlpListBox.Items() == std::vector<std::string>{"BSC9", "BSC10"};
  }
};

struct RelocationRig : On<relocation::testing::RelocationRig> {
  FakeTelnetClient& Telnet() override { return telnet; }
  const std::map<std::string, std::string> network =
      relocation::testing::Network("two moved cells");
  void Start() override {
    page.DqonrepMemo.Clear();
    page.DqonoComboBox.SetText("BSC9");
    page.DqonListMemo.SetText("C09101A");
    page.DqonstartButtonClick();
  }
  void Stop() override { page.DqonstartButtonClick(); }
  std::string Answer(const std::string& command) const override {
    return pages::testing::Answer(network, command);
  }
  std::string Report() override { return page.DqonrepMemo.Text(); }
  std::string Script() override {
    return read_form.Memo1.Text() + (read_form.Window.Visible() ? "(shown)" : "");
  }
  bool Idle() override {
    return page.DqonstartButton.Caption() == "Start" && !telnet.Connected() &&
           page.DqonListPanel.Enabled();
  }
};

// Two pairs on BSC9 (Cell) and BSC10 (Cellr); one side's session ends, the other answers
// step for step, or has collected all its cells before.
struct NeighboursRig : On<neighbours::testing::NeighboursRig> {
  NeighboursRig(bool cellr, bool other_first) : cellr_(cellr), other_first_(other_first) {
    TwoPairs();
  }
  static constexpr std::size_t kSteps = kLoginSteps + 2 * 4;
  FakeTelnetClient& Telnet() override { return cellr_ ? cellr_telnet : cell_telnet; }
  FakeTelnetClient& OtherTelnet() { return cellr_ ? cell_telnet : cellr_telnet; }
  void PlayOther(std::size_t step) {
    auto& other = OtherTelnet();
    if (!other.Connected()) return;
    kestrel::testing::Deliver(other,
                              step < kLoginSteps ? kPrompts[step] : Answer(other.Sent().back()), 7);
  }
  void Start() override {
    OtherTelnet().Forget();
    page.StartqonButtonClick();
    if (other_first_) {
      for (std::size_t step = 0; step < kSteps; ++step) PlayOther(step);
    }
  }
  void Other(std::size_t step) override {
    if (!other_first_) PlayOther(step);
  }
  void Stop() override { page.StartqonButtonClick(); }
  std::string Answer(const std::string& command) const override {
    return neighbours::testing::NeighboursRig::Answer(command);
  }
  std::string Report() override {
    return page.LastFailure.empty() ? "" : page.LastFailure + "\r\n";
  }
  std::string Script() override {
    page.ExqontimeTimer();
    return read_form.Memo1.Text() + (read_form.Window.Visible() ? "(shown)" : "");
  }
  const pages::ElementOutcome* Outcome() const override {
    return page.Outcomes.Find(cellr_ ? "BSC10" : "BSC9");
  }
  bool Idle() override {
    return page.StartqonButton.Caption() == "Start" && !cell_telnet.Connected() &&
           !cellr_telnet.Connected() && page.Panel4.Enabled() && page.Panel6.Enabled() &&
           !page.ProgressBar1.Visible() && !page.Label16.Visible();
  }

  bool cellr_, other_first_;
};

// BSC9 and then BSC10 queued for a procedure of Proses, its exchange playing a move a step;
// its report is its pane's notes.
struct ProsesRig : On<proses::testing::Exchange> {
  FakeTelnetClient& Telnet() override { return telnet; }
  explicit ProsesRig(const char* procedure) : On(procedure) { page.ListBox1.Add("BSC10"); }
  void Start() override { page.StartpnlClick(); }
  void Stop() override { page.StartpnlClick(); }
  void Play(std::size_t step) override { Exchange::Play(static_cast<int>(step)); }
  bool Half(std::size_t) override { return Exchange::Half(); }
  void Silence() override {
    for (int i = 0; i < 2 && telnet.Connected(); ++i) clock.Advance(60000);
  }
  std::string Again(std::size_t) override { return ""; }  // a restart is a Proses test
  std::string Report() override {
    std::string report;
    for (const auto& line : proses::testing::PaneLines(page, "*** "))
      report += line.substr(4) + "\r\n";
    return report;
  }
  // The run stopped with its queue whole, BSC10 never begun, no pause pending.
  bool Idle() override {
    return page.Startpnl.Caption() == "Start" &&
           page.Startpnl.Color() == controls::Colour::kButtonFace && !telnet.Connected() &&
           page.TabSheet1.Enabled() && broadcast_sheet.Enabled() && !page.WatchdogTimer.Enabled() &&
           !page.ReleaseTimer.Enabled() && !page.Timer1.Enabled() && !page.BusyTimer.Enabled() &&
           page.ListBox1.Items() == std::vector<std::string>{"BSC9", "BSC10"} &&
           page.Outcomes.Find("BSC10") == nullptr;
  }
};

// BSC9 on the Daily check with the queue of a case of dailycheck-queues.txt, its login, alarm
// list and entries a step each. Its report is what the end wrote, then the report file (with
// the session's text to the last answer). Idle: nothing runs again however long the program
// goes on; else the loop has gone on to the next session.
struct DailyRig : On<dailycheck::testing::PageBench> {
  FakeTelnetClient& Telnet() override { return telnet; }
  explicit DailyRig(const pages::testing::DataCase& queue)
      : dialogue(dailycheck::testing::Dialogue(queue)) {
    dailycheck::testing::Visit(*this, queue);
  }
  void Start() override { page.StartdcClick(); }
  void Stop() override { page.StopdcClick(); }
  void Play(std::size_t step) override {
    dailycheck::testing::Play(*this, dialogue[step]);
    telnet.notes.clear();  // what the step itself noted
    reported_ = page.Memoreportdc.Lines().size();
    answered_ = dialogue[step].answer;
  }
  bool Half(std::size_t step) override {
    dailycheck::testing::Play(*this, dialogue[step], false);
    const std::string& text = dialogue[step].answer;
    if (dialogue[step].sent != "\x04") telnet.Receive(text.substr(0, text.size() / 2));
    return true;
  }
  void Silence() override {
    for (int tick = 0; tick < 2 && Connects() == 1; ++tick) clock.Advance(30000);
  }
  std::string Again(std::size_t) override { return ""; }  // the loop starts itself again
  std::string Report() override {
    const auto lines = page.Memoreportdc.Lines();
    std::string report;
    for (std::size_t k = reported_; k < lines.size(); ++k) report += lines[k] + "\r\n";
    for (const auto& [native, text] : files.written) {
      std::string path = native;
      std::replace(path.begin(), path.end(), '\\', '/');
      const bool whole = text.find("ALARM LIST\r\n") != std::string::npos &&
                         text.find(answered_) != std::string::npos;
      report += "file " + path + (whole ? "" : " without the last answer") + "\r\n";
    }
    return report;
  }
  bool Idle() override {
    if (StoppedForGood()) return true;
    EXPECT_GT(Connects(), 1) << "neither stopped nor going on";
    return false;
  }

  std::vector<dailycheck::testing::Step> dialogue;

 private:
  std::size_t reported_ = 0;
  std::string answered_;
};

// What a page shows of an early end, as its data file gives it: its report ("report: " lines),
// the one note of the session record, the one message box (its "shown: " lines), why its
// element's outcome ended early, what may still be blocked, and whether the page is idle after
// it ("idle: no" where the next BSC is checked). {why} stands for why the session ended,
// {cells} and {cellrs} for the cells of the neighbours page's sides not collected; {how},
// {where} and {blocked} for the fields of Proses' steps.
struct Ended {
  std::string report, note, shown, ended_early;
  std::vector<std::string> blocked;
  bool idle = true;
};

Ended Read(std::string section, const std::vector<std::pair<std::string, std::string>>& words) {
  for (const auto& [key, value] : words) {
    for (std::size_t at; (at = section.find(key)) != std::string::npos;) {
      section.replace(at, key.size(), value);
    }
  }
  Ended ended;
  std::istringstream in(section);
  for (std::string line; std::getline(in, line);) {
    line.pop_back();  // the CR
    const std::size_t colon = line.find(": ");
    const std::string key = line.substr(0, colon), value = line.substr(colon + 2);
    if (key == "report") ended.report += value + "\r\n";
    if (key == "note") ended.note = value;
    if (key == "shown") ended.shown += (ended.shown.empty() ? "" : "\n") + value;
    if (key == "ended early") ended.ended_early = value;
    if (key == "blocked") ended.blocked = pages::testing::Split(value, " ");
    if (key == "idle") ended.idle = value != "no";
  }
  return ended;
}

struct Page {
  std::string name;
  std::function<std::unique_ptr<Rig>()> make;
  std::size_t steps;
  const char* unreached;            // where a session ended that had not reached the prompt
  bool reason_last;                 // the client's reason after where the session was
  std::string data;                 // the page's words, under tests/data/pages
  std::size_t login = kLoginSteps;  // the steps before the element's prompt
  // Proses' steps: the line in flight | where | what may be blocked | where, if silent.
  std::vector<std::vector<std::string>> rows = {};
  std::vector<Ending> endings = {Ending::kPeer, Ending::kClient, Ending::kStop};
  std::size_t queue = SIZE_MAX;  // the Daily check's steps before its queue
};

std::vector<Page> Pages() {
  const auto proses = [](const char* procedure) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : proses::testing::Case(procedure).Lines("steps"))
      rows.push_back(pages::testing::Split(row));
    return Page{procedure,
                [=] { return std::make_unique<ProsesRig>(procedure); },
                rows.size(),
                "",
                false,
                "proses-" + std::string(procedure) + "-endings.txt",
                1,
                rows,
                {Ending::kPeer, Ending::kClient, Ending::kStop, Ending::kSilence}};
  };
  std::vector<Page> pages;
  for (const auto& queue : pages::testing::DataCases("dailycheck-queues.txt")) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& step : dailycheck::testing::Dialogue(queue))
      rows.push_back({step.sent, "", step.blocked.empty() ? "" : step.blocked[0]});
    pages.push_back({"dailycheck, " + queue.name,
                     [=] { return std::make_unique<DailyRig>(queue); },
                     rows.size(),
                     " during the login",
                     false,
                     "dailycheck-endings.txt",
                     kLoginSteps,
                     rows,
                     {Ending::kPeer, Ending::kClient, Ending::kStop, Ending::kSilence},
                     kLoginSteps + 1});
  }
  const auto neighbours = [](bool cellr, bool other_first, const char* data) {
    return Page{data,
                [=] { return std::make_unique<NeighboursRig>(cellr, other_first); },
                NeighboursRig::kSteps,
                " during the login",
                false,
                data};
  };
  pages.insert(pages.end(),
               {
                   {"broadcast", [] { return std::make_unique<BroadcastRig>(); }, kLoginSteps + 4,
                    " before the BSC was reached", true, "broadcast-endings.txt"},
                   {"rlslp", [] { return std::make_unique<RlslpRig>(); }, kLoginSteps + 1,
                    " before the BSC was reached", true, "rlslp-endings.txt"},
                   {"relocation", [] { return std::make_unique<RelocationRig>(); }, kLoginSteps + 6,
                    " during the login", false, "relocation-endings.txt"},
                   neighbours(false, false, "neighbours-endings.txt"),
                   neighbours(true, false, "neighbours-cellr-endings.txt"),
                   neighbours(true, true, "neighbours-cellr-after-cell-endings.txt"),
                   proses("rxtei"),
                   proses("rxlti"),
               });
  return pages;
}

// Why the session ended at `cut`, in the page's order of words: "connection lost while
// RLBDP:CELL=ALL; was in flight (more than 1 MB in one line)". The Daily check's entry stays
// in flight through its release pause.
std::string Why(const Page& page, const Cut& cut) {
  const std::string what = cut.ending == Ending::kStop      ? "stopped"
                           : cut.ending == Ending::kSilence ? "silent, ended by the watchdog"
                                                            : "connection lost";
  const std::string reason =
      cut.ending == Ending::kClient ? std::string(" (") + kClientReason + ")" : "";
  const std::string flight = cut.step < page.rows.size() ? page.rows[cut.step][0] : cut.in_flight;
  const std::string where =
      cut.step < kLoginSteps
          ? page.unreached
          : " while " + (flight == "\x04" ? "Ctrl-D" : flight) + " was in flight";
  return page.reason_last ? what + where + reason : what + reason + where;
}

// The words of the data files at `cut`: the neighbours sides have collected their first cell
// once its four commands are answered; Proses' watchdog may end a pause of its own.
std::vector<std::pair<std::string, std::string>> Words(const Page& page, const Cut& cut) {
  const bool first = cut.step >= kLoginSteps + 4, silence = cut.ending == Ending::kSilence;
  const auto row = cut.step < page.rows.size() ? page.rows[cut.step] : std::vector<std::string>(3);
  return {{"{why}", Why(page, cut)},
          {"{cells}", first ? "C09102B" : "C09101A, C09102B"},
          {"{cellrs}", first ? "C10102A" : "C10101A, C10102A"},
          {"{how}", silence                         ? "lost (no answer for 60 s)"
                    : cut.ending == Ending::kClient ? std::string("lost (") + kClientReason + ")"
                                                    : "lost"},
          {"{where}", silence && row.size() > 3 ? row[3] : row[1]},
          {"{blocked}", row[2]}};
}

void ExpectEnded(Rig& rig, const Ended& ended) {
  EXPECT_EQ(rig.Report(), ended.report);
  EXPECT_EQ(rig.Telnet().notes,
            ended.note.empty() ? std::vector<std::string>{} : std::vector{ended.note});
  EXPECT_EQ(rig.Shown(),
            ended.shown.empty() ? std::vector<std::string>{} : std::vector{ended.shown});
  const pages::ElementOutcome* outcome = rig.Outcome();
  ASSERT_NE(outcome, nullptr);
  EXPECT_EQ(outcome->ended_early, ended.ended_early);
  EXPECT_EQ(outcome->maybe_blocked, ended.blocked);
  EXPECT_EQ(outcome->finished, 0);
  EXPECT_EQ(rig.Idle(), ended.idle);
  EXPECT_EQ(rig.Script(), "");  // no script claimed
}

// After every cut the page says where its session ended and why, and exactly what may still
// be blocked; claims no finished check and no script, is idle, and its next Start runs as if
// the cut session had never been.
TEST(PageEndings, ASessionEndingAtEveryStepSaysWhereAndWhy) {
  for (const Page& page : Pages()) {
    SCOPED_TRACE(page.name);
    const auto words = kestrel::testing::TestDataSections("pages/" + page.data);
    const std::string alone = page.make()->Again(page.steps);
    static const char* const kEndings[] = {"peer closes", "client ends", "Stop", "silence"};
    for (const Ending ending : page.endings) {
      for (std::size_t step = 0; step < page.steps; ++step) {
        for (const bool half : {false, true}) {
          SCOPED_TRACE("step " + std::to_string(step) + (half ? " and a half, " : ", ") +
                       kEndings[static_cast<int>(ending)]);
          const std::unique_ptr<Rig> rig = page.make();
          rig->Start();
          for (std::size_t k = 0; k < step; ++k) rig->Play(k);
          if (half && !rig->Half(step)) continue;
          auto& telnet = rig->Telnet();
          const Cut cut{step, ending, telnet.Sent().empty() ? "" : telnet.Sent().back()};
          if (ending == Ending::kPeer) telnet.PeerCloses();
          if (ending == Ending::kClient) telnet.ClientEnds(kClientReason);
          if (ending == Ending::kStop) rig->Stop();
          if (ending == Ending::kSilence) rig->Silence();
          // Proses' rows say where the session was, and so what was in flight.
          const bool rows = step < page.rows.size(), blocked = rows && !page.rows[step][2].empty();
          if (rows && !page.rows[step][1].empty()) {
            EXPECT_EQ(cut.in_flight, page.rows[step][0]);
          }
          const std::string section = (ending == Ending::kStop ? "stopped" : "lost") +
                                      std::string(blocked              ? ", blocked"
                                                  : step >= page.queue ? ", queue"
                                                                       : "");
          ExpectEnded(*rig, Read(words.at(section), Words(page, cut)));
          EXPECT_EQ(rig->Outcome()->reached, step >= page.login ? 1 : 0);
          EXPECT_EQ(rig->Again(page.steps), alone);
        }
      }
    }
  }
}

// The gateway ends a session before the check: the login refused, the element unknown, an
// answer past the printout cap, no connection. Each page's data file says what it shows.
TEST(PageEndings, TheGatewaysRefusalsAndThePrintoutCapEndTheCheckInTheirWords) {
  for (const Page& page : Pages()) {
    for (const auto& [cause, section] : kestrel::testing::TestDataSections("pages/" + page.data)) {
      if (cause.starts_with("lost") || cause.starts_with("stopped")) continue;
      for (const std::size_t chunk : {1, 4096}) {
        SCOPED_TRACE(page.name + ", " + cause + ", chunks of " + std::to_string(chunk));
        auto rig = page.make();
        rig->SetMaxPrintout(500);
        rig->Start();
        auto& telnet = rig->Telnet();
        if (cause == "login") {
          Deliver(telnet, "User: Password: \r\nLOGIN INCORRECT\r\nUser: ", chunk);
        } else if (cause == "element") {
          Deliver(telnet, "User: Password: NE: \r\nNE BSC9 NOT DEFINED IN GATEWAY\r\nNE: ", chunk);
        } else if (cause == "cap") {
          for (std::size_t step = 0; step < page.login; ++step) rig->Play(step);
          Deliver(telnet, std::string(600, 'x'), chunk);
        } else {
          telnet.ConnectFails();
        }
        ExpectEnded(*rig, Read(section, Words(page, Cut{0, Ending::kPeer, ""})));
        EXPECT_EQ(rig->Outcome()->reached, cause == "cap" ? 1 : 0);
        for (const auto& sent : telnet.Sent()) {  // nothing but the login
          EXPECT_TRUE(cause == "cap" || sent == "ops1" || sent == "pw" || sent == "NE=BSC9")
              << sent;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kestrel::testing
