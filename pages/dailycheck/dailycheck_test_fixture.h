#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "pages/dailycheck/dailycheck_page.h"
#include "pages/shared/page_test_cases.h"
#include "platform/file_names.h"
#include "tests/fake_ports.h"
#include "tests/fake_telnet.h"
#include "tests/manual_clock.h"

namespace kestrel::dailycheck::testing {

// A report path as the page names it on this system: "/share/a" is "\\share\\a"
// on Windows.
inline std::string Native(std::string path) {
  if (platform::kNativePathStyle == platform::PathStyle::kWindows) {
    std::replace(path.begin(), path.end(), '/', '\\');
  }
  return path;
}

// The time of day stands still; the steady time is the manual clock's.
struct FixedClock : platform::Clock {
  const kestrel::testing::ManualClock* manual = nullptr;
  platform::LocalDateTime Now() const override { return {2026, 12, 5, 14, 7, 30}; }
  std::int64_t SteadyMs() const override { return manual->Now(); }
};

struct RecordedFiles : platform::Files {
  std::map<std::string, std::string> written;
  std::string failure;  // when set, every write fails with it
  void WriteWhole(const std::string& path, std::string_view text) override {
    if (!failure.empty()) throw std::runtime_error(failure);
    written[path] = std::string(text);
  }
  std::string Read(const std::string& path) override {
    if (!written.contains(path)) throw std::runtime_error(path + ": No such file");
    return written.at(path);
  }
  bool Exists(const std::string& path) override { return written.contains(path); }
  std::vector<std::string> List(const std::string& folder, std::string_view suffix) override {
    std::vector<std::string> names;
    for (const auto& [path, text] : written) {
      const std::string name = path.substr(std::min(path.size(), folder.size() + 1));
      if (path.starts_with(folder + "/") && path.ends_with(suffix) &&
          name.find('/') == std::string::npos)
        names.push_back(name);
    }
    return names;
  }
};

struct ScriptedDialogs : platform::FileDialogs {
  std::string save, open;
  std::string SaveFileName(std::string_view) override { return save; }
  std::string OpenFileName() override { return open; }
};

// The page on a fake client, with its timers on a manual clock.
struct PageBench {
  explicit PageBench(std::string report_share_root = "/share",
                     std::string known =
                         "SEIZURE SUPERVISION\nEXTERNAL ALARM\nCP STATE NOT "
                         "NORMAL\nSYSTEM STATE\n")
      : page{telnet,
             properties,
             {time, files, sound, dialogs},
             std::move(report_share_root),
             KnownAlarms(known),
             "/sounds"} {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
    for (auto* timer : {&page.Timerdc, &page.Timerdc_release, &page.Timerdc_wait})
      clock.Attach(*timer);
    time.manual = &clock;
    page.SetMessages(messages);
    // A warning's sound is over before the next chunk, unless a test holds it.
    telnet.after_each_chunk = [this] { sound.FinishAll(); };
  }
  // The login of a new session up to the element's prompt, one prompt a chunk.
  static std::vector<std::string> Login() {
    return {"\r\nUser: ", "\r\nPassword: ", "\r\nNE: ",
            "\r\nWO      BSC9              AD-739  TIME 261205 140730\r\n<"};
  }
  void LogIn() {
    for (const auto& prompt : Login()) telnet.Receive(prompt);
  }
  void Start(std::initializer_list<const char*> elements) {
    for (const char* element : elements) page.ListBoxdc.Add(element);
    page.StartdcClick();
    LogIn();
  }
  // Lines sent since the last call.
  std::vector<std::string> NewlySent() {
    const auto& all = telnet.Sent();
    std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(seen_), all.end());
    seen_ = all.size();
    return fresh;
  }
  long Connects() const {
    return std::count(telnet.events.begin(), telnet.events.end(), "connect");
  }
  // After Stop nothing runs: no session, no timer, and nothing is sent, connected or played
  // however long the program goes on.
  bool StoppedForGood() {
    const bool still = !telnet.Connected() && !page.Timerdc.Enabled() &&
                       !page.Timerdc_release.Enabled() && !page.Animate2.Visible() &&
                       !sound.Playing();
    const long connects = Connects();
    const std::size_t sent = telnet.Sent().size(), played = sound.played.size();
    clock.Advance(600000);
    sound.FinishAll();
    return still && Connects() == connects && telnet.Sent().size() == sent &&
           sound.played.size() == played;
  }
  // A box by the start of its caption: "SEQAR", "Near end", "Pemanent", "SoftwareError", ...
  controls::CheckBox& Box(std::string_view caption) {
    for (auto* box : {&page.SeqarCheckBox, &page.SetarCheckBox, &page.SoftErrorCheckBox,
                      &page.PermanentCheckBox, &page.NearendCheckBox, &page.EnumCheckBox,
                      &page.SaeCheckBox, &page.SoundCheckBox})
      if (box->Caption().starts_with(caption)) return *box;
    throw std::invalid_argument(std::string(caption));
  }

  kestrel::testing::FakeTelnetClient telnet;
  kestrel::testing::ManualClock clock;
  mml::PropertiesForm properties;
  FixedClock time;
  RecordedFiles files;
  kestrel::testing::RecordedSound sound;
  ScriptedDialogs dialogs;
  kestrel::testing::RecordedMessages messages;
  DailyCheckPage page;

 private:
  std::size_t seen_ = 0;
};

class DailyCheckTest : public ::testing::Test, public PageBench {};

// An alarm list: the echo, a page header, the alarms, then END, an empty line
// and the prompt.
inline std::string AlarmList(const std::string& alarms) {
  return "ALLIP;\r\n\r\nWO      BSC9              AD-739  TIME 261205 "
         "140730\r\nALARM "
         "LIST\r\n\r\n" +
         alarms + "END\r\n\r\n<";
}

// An alarm of a header line, its slogan line and detail rows.
inline std::string Alarm(const std::string& slogan, const std::string& details = "") {
  return "A2/APT \"BSC9    12/00/0\" 431 261205   1407\r\n" + slogan + "\r\n\r\n" + details +
         "\r\n";
}

using pages::testing::DataCase;
using pages::testing::DataCases;

// One step of a visit: what is in flight, its answer, and what may be blocked meanwhile.
struct Step {
  std::string sent, answer;
  std::vector<std::string> blocked = {};
};

// The whole dialogue of a case of dailycheck-queues.txt: the prompts of the login, the alarm
// list, then the queue as the exchange answers it.
inline std::vector<Step> Dialogue(const DataCase& solution) {
  std::vector<Step> steps;
  const char* sent[] = {"", "ops1", "pw", "NE=BSC9"};
  for (std::size_t k = 0; k < 4; ++k) steps.push_back({sent[k], PageBench::Login()[k]});
  steps.push_back({"ALLIP;", AlarmList(solution.Text("alarms"))});
  for (const std::string& entry : solution.Lines("queue")) {
    const auto field = pages::testing::Split(entry, "|");
    const std::string &entry_sent = field.at(0), &answer = field.at(1);
    steps.push_back({entry_sent,
                     answer == "asks"       ? entry_sent + "\r\n\r\n<"
                     : answer == "executes" ? entry_sent + "\r\nEXECUTED\r\n\r\n<"
                     : answer == "release"  ? "\r\n<"
                                            : answer,
                     field.at(2).empty() ? std::vector<std::string>{} : std::vector{field[2]}});
  }
  return steps;
}

// BSC9 queued with the box of the case's solution ticked.
inline void Visit(PageBench& bench, const DataCase& solution) {
  bench.Box(solution.Lines("box").at(0)).SetChecked(true);
  bench.page.ListBoxdc.Add("BSC9");
}

// Step `step` is in flight (for a Ctrl-D also its release pause runs out, with one empty
// line), then its answer comes.
inline void Play(PageBench& bench, const Step& step, bool answer = true) {
  EXPECT_EQ(bench.NewlySent(),
            step.sent.empty() ? std::vector<std::string>{} : std::vector{step.sent});
  if (step.sent == "\x04") {
    bench.clock.Advance(3000);
    EXPECT_EQ(bench.NewlySent(), std::vector<std::string>{""});
  }
  if (answer) bench.telnet.Receive(step.answer);
}

// Plays the "-- script" of a case: a verb a line and its argument, "|" between the items of a
// list. `list PART` receives an alarm list of a part of the case, else of `shared`; `reply PART`
// receives a part of the case as it stands; `write` and `file` give a file's text as a part.
inline void RunScript(PageBench& b, const DataCase& c, const DataCase& shared) {
  static const std::map<std::string, void (DailyCheckPage::*)()> kButtons = {
      {"add filter", &DailyCheckPage::Button4Click},
      {"save filter", &DailyCheckPage::Button5Click},
      {"load filter", &DailyCheckPage::Button6Click},
      {"choose sound", &DailyCheckPage::Button7Click},
      {"test sound", &DailyCheckPage::Button8Click},
      {"play sound", &DailyCheckPage::FileListBox1DblClick}};
  std::string arg;
  std::vector<std::string> items;
  auto& page = b.page;
  const auto outcome = [&] {
    const pages::ElementOutcome* found = page.Outcomes.Find(items.at(0));
    EXPECT_NE(found, nullptr) << items[0];
    return found != nullptr ? *found : pages::ElementOutcome{};
  };
  // The files there are: paths the page makes in the system's own style, or as given.
  const auto expect_files = [&](bool native) {
    std::vector<std::string> paths;
    for (const auto& [path, text] : b.files.written) paths.push_back(path);
    if (native)
      for (auto& item : items) item = Native(item);
    EXPECT_EQ(paths, items);
  };
  const std::map<std::string, std::function<void()>> verbs = {
      // What the engineer and the gateway do.
      {"add",
       [&] {
         for (const auto& e : items) page.ListBoxdc.Add(e);
       }},
      {"start", [&] { page.StartdcClick(); }},
      {"cycle", [&] { page.StartdcInCycle(); }},
      {"login", [&] { b.LogIn(); }},
      {"recv", [&] { b.telnet.Receive(arg); }},
      {"reply", [&] { b.telnet.Receive(c.Text(arg)); }},
      {"list",
       [&] {
         const std::string part = items.empty() ? "" : items[0];
         const std::string list = AlarmList((c.parts.contains(part) ? c : shared).Text(part));
         b.telnet.ReceiveInChunks(list, items.size() > 1 ? std::stoul(items[1]) : list.size());
       }},
      {"advance", [&] { b.clock.Advance(std::stoll(arg)); }},
      {"stop", [&] { page.StopdcClick(); }},
      {"closes", [&] { b.telnet.PeerCloses(); }},
      {"fails", [&] { b.telnet.ConnectFails(); }},
      {"empty", [&] { page.DeletealldcClick(); }},
      {"enqueue", [&] { page.Memokom.SetText(arg); }},
      {"tick", [&] { b.Box(arg).SetChecked(true); }},
      {"clear", [&] { b.Box(arg).SetChecked(false); }},
      {"filter", [&] { page.FilterMemo.SetText(arg); }},
      {"filter-add", [&] { page.FilterMemo.AddLine(arg); }},
      {"pacing", [&] { page.SetPacing(std::stoi(items.at(0)), std::stoi(items.at(1))); }},
      {"cap", [&] { page.SetMaxPrintout(std::stoul(arg)); }},
      {"save-fails", [&] { b.files.failure = arg; }},
      {"click", [&] { (page.*kButtons.at(arg))(); }},
      {"click-fails", [&] { EXPECT_THROW((page.*kButtons.at(arg))(), std::runtime_error); }},
      {"element-box", [&] { page.ComboBox1.SetText(arg); }},
      {"slogan-box", [&] { page.ComboBox2.SetText(arg); }},
      {"save-as", [&] { b.dialogs.save = arg; }},
      {"open", [&] { b.dialogs.open = arg; }},
      {"write", [&] { b.files.written[items.at(0)] = c.Text(items.at(1)); }},
      {"sound-folder", [&] { page.ShowSoundFolder(arg); }},
      {"select", [&] { page.FileListBox1.SetSelected(std::stoul(arg), true); }},
      {"record", [&] { page.RecordResults = true; }},
      {"log-lines",  // the work pane holds that many lines
       [&] {
         std::string log;
         for (int k = 0; k < std::stoi(arg); ++k) log += "x\r\n";
         page.Memodc.SetText(log);
       }},
      {"clear-report", [&] { page.Memoreportdc.Clear(); }},
      {"name", [&] { page.Nedc.SetText(arg); }},
      {"watchdog", [&] { page.Timerdc.SetEnabled(arg == "on"); }},
      {"forget", [&] { b.telnet.Forget(); }},
      {"repeat",
       [&] {
         std::string text;
         for (int i = 0; i < std::stoi(items.at(0)); ++i) text += items.at(1);
         b.telnet.Receive(text);
       }},
      {"hold", [&] { b.telnet.after_each_chunk = nullptr; }},  // a sound plays until `finish`
      {"finish",
       [&] {
         b.telnet.after_each_chunk = [&b] { b.sound.FinishAll(); };
         b.sound.FinishAll();
       }},
      // What the test expects.
      {"sent", [&] { EXPECT_EQ(b.NewlySent(), items); }},
      {"queued", [&] { EXPECT_EQ(page.Memokom.Lines(), items); }},
      {"report", [&] { EXPECT_EQ(page.Memoreportdc.Lines(), items); }},
      {"filters", [&] { EXPECT_EQ(page.FilterMemo.Lines(), items); }},
      {"file", [&] { EXPECT_EQ(b.files.written.at(items.at(0)), c.Text(items.at(1))); }},
      {"sound-files", [&] { EXPECT_EQ(page.FileListBox1.Items(), items); }},
      {"folder", [&] { EXPECT_EQ(page.FileListFolder.Caption(), arg); }},
      {"selected", [&] { EXPECT_TRUE(page.FileListBox1.Selected(std::stoul(arg))); }},
      {"last-report", [&] { EXPECT_EQ(page.Memoreportdc.Lines().back(), arg); }},
      {"report-native",
       [&] {
         for (auto& item : items) item = Native(item);
         EXPECT_EQ(page.Memoreportdc.Lines(), items);
       }},
      {"results",  // each result as element|time|class|slogan|kind|line
       [&] {
         std::vector<std::string> results;
         for (const auto& r : page.Results) {
           results.push_back(r.element + "|" + r.time + "|" + r.alarm_class + "|" + r.slogan + "|" +
                             r.kind + "|" + r.line);
         }
         EXPECT_EQ(results, c.Lines(arg));
       }},
      {"connects", [&] { EXPECT_EQ(b.Connects(), std::stol(arg)); }},
      {"connected", [&] { EXPECT_EQ(b.telnet.Connected(), arg == "yes"); }},
      {"timer", [&] { EXPECT_EQ(page.Timerdc.Enabled(), arg == "on"); }},
      {"items", [&] { EXPECT_EQ(page.ListBoxdc.Items(), items); }},
      {"status", [&] { EXPECT_EQ(page.Statusdc.Caption(), arg); }},
      {"messages", [&] { EXPECT_EQ(b.messages.shown, items); }},
      {"played", [&] { EXPECT_EQ(b.sound.played, items); }},
      {"playing", [&] { EXPECT_EQ(b.sound.Playing(), arg == "yes"); }},
      {"ended", [&] { EXPECT_EQ(outcome().ended_early, items.size() > 1 ? items[1] : ""); }},
      {"finished", [&] { EXPECT_EQ(outcome().finished, std::stoi(items.at(1))); }},
      {"unsaved", [&] { EXPECT_EQ(outcome().unsaved, std::vector{Native(items.at(1))}); }},
      {"problems",
       [&] { EXPECT_EQ(outcome().problems, std::vector(items.begin() + 1, items.end())); }},
      {"events", [&] { EXPECT_EQ(b.telnet.events, items); }},
      {"noted",
       [&] { EXPECT_EQ(std::count(b.telnet.notes.begin(), b.telnet.notes.end(), arg), 1); }},
      {"log", [&] { EXPECT_EQ(page.Memodc.Text(), arg); }},
      {"file-lacks",
       [&] {
         EXPECT_TRUE(!b.files.written.empty() &&
                     b.files.written.begin()->second.find(arg) == std::string::npos);
       }},
      {"unvisited", [&] { EXPECT_EQ(page.Outcomes.Find(arg), nullptr); }},
      // "files": paths the page makes; "written": paths a dialog or the script named.
      {"files", [&] { expect_files(true); }},
      {"written", [&] { expect_files(false); }},
      {"log-ends", [&] { EXPECT_TRUE(page.Memodc.Text().ends_with(arg)) << page.Memodc.Text(); }},
      {"file-ends",
       [&] {
         EXPECT_TRUE(!b.files.written.empty() && b.files.written.begin()->second.ends_with(arg));
       }},
      {"stopped-for-good", [&] { EXPECT_TRUE(b.StoppedForGood()); }},
  };
  for (const std::string& line : c.Lines("script")) {
    SCOPED_TRACE(line);
    const std::size_t space = line.find(' ');
    arg = space == std::string::npos ? "" : line.substr(space + 1);
    items.clear();
    for (std::size_t at = 0; at < arg.size();) {
      const std::size_t bar = std::min(arg.find('|', at), arg.size());
      items.push_back(arg.substr(at, bar - at));
      at = bar + 1;
    }
    ASSERT_TRUE(verbs.contains(line.substr(0, space))) << line;
    verbs.at(line.substr(0, space))();
  }
}

}  // namespace kestrel::dailycheck::testing
