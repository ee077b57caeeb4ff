// The warnings of the Daily check: every known alarm that the filter does not silence is
// written to the report pane and, with sound on, played as the element's recording and the
// alarm's (or the beep signal when either recording is missing).
#include <algorithm>

#include "mml/columns.h"
#include "pages/dailycheck/dailycheck_page.h"

namespace kestrel::dailycheck {

namespace {

constexpr const char* kDefaultFilter[] = {
    "ALL CELL RESTRICTION ACTIVATED",
    "ALL RADIO X-CEIVER ADMINISTRATION",
    "ALL DIGITAL PATH FAULT SUPERVISION",
    "ALL DIGITAL PATH QUALITY SUPERVISION",
    "ALL CELL LOGICAL CHANNEL AVAILABILITY SUPERVISION",
    "ALL SYNCHRONOUS DIGITAL PATH QUALITY SUPERVISION",
    "ALL SYNCHRONOUS DIGITAL PATH FAULT SUPERVISION",
    "ALL CCITT7 SIGNALLING LINK MANUALLY DEACTIVATED",
    "ALL COMMON CHARGING OUTPUT USER FILE MANUALLY BLOCKED",
    "ALL SWITCHING NETWORK TERMINAL MANUALLY BLOCKED",
    "ALL SYSTEM STATE",
    "ALL BACKUP INFORMATION FAULT",
    "ALL MT FAILED AUTHENTICATION",
    "ALL MT IMEI SUPERVISION LOG FAULT",
    "ALL DIGITAL PATH UNAVAILABLE STATE FAULT",
    "ALL FILE NOTIFICATION, AP CDH, ACKNOWLEDGEMENT NOT RECEIVED",
    "ALL DATA OUTPUT, AP COMMON DESTINATION HANDLING, DESTINATION FAULT",
    "ALL ROUTE RESTRICTION ACTIVATED",
    "ALL CP STATE NOT NORMAL",
    "ALL SEMIPERMANENT CONNECTION FAULT",
    "ALL BLOCKING SUPERVISION",
    "ALL HLR SUBSCRIBERS WITH INCOMPATIBLE DATA SUPERVISION",
    "ALL EVENT REPORTING THRESHOLD REACHED",
    "ALL URC BLOCKED",
    "ALL CCITT7 DISTURBANCE SUPERVISION LIMIT REACHED",
};

constexpr std::string_view kManyAlarms = "MANY ALARMS";
constexpr std::size_t kManyAlarmsLines = 2500;

// A case-sensitive substring test; an empty text occurs nowhere.
bool Occurs(std::string_view text, std::string_view in) {
  return !text.empty() && in.find(text) != std::string_view::npos;
}

constexpr std::string_view kAlarmClasses[] = {"A1/", "A2/", "A3/", "O1/", "O2/"};

bool AlarmHeader(std::string_view line) {
  for (std::string_view alarm_class : kAlarmClasses) {
    if (line.find(alarm_class) != std::string_view::npos) return true;
  }
  return false;
}

// A text that can stand as one file name in a folder: nothing that could lead elsewhere.
bool FileNameOnly(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

}  // namespace

std::string AlarmClass(std::string_view line) {
  std::size_t first = std::string_view::npos;
  for (std::string_view alarm_class : kAlarmClasses)
    first = std::min(first, line.find(alarm_class));
  return first == std::string_view::npos ? std::string() : std::string(line.substr(first, 2));
}

std::string DefaultFilter() {
  std::string text;
  for (const char* line : kDefaultFilter) text.append(line).append("\r\n");
  return text;
}

bool DailyCheckPage::ManyAlarmsTest() {
  if (Memodc.LineCount() <= kManyAlarmsLines) return false;
  const std::string& element = visit_.element;
  const std::string& filter = FilterMemo.Text();
  if (Occurs(element + " " + std::string(kManyAlarms), filter) ||
      Occurs("ALL " + std::string(kManyAlarms), filter)) {
    return false;
  }
  const platform::LocalDateTime now = clock_.Now();
  Found("warning", "", std::string(kManyAlarms),
        "Warning: " + element + ": " + std::string(kManyAlarms) + "; " + DateTime(now), now);
  return SoundCheckBox.Checked() && WarningSound(kManyAlarms);
}

bool DailyCheckPage::WarningRule(std::size_t i) {
  if (!AlarmHeader(Memobufdc.Line(i))) return false;
  const std::string alarm(
      mml::Trim(mml::Cut(Memobufdc.Line(mml::RowBelow(Memobufdc, i, 1)), 0, 100)));
  const std::string& element = visit_.element;
  const std::string key = element + ": " + alarm;
  const std::string& filter = FilterMemo.Text();
  if (key == last_warning_key_ || !known_alarms_->Contains(alarm) ||
      Occurs("ALL " + alarm, filter) || Occurs(element + " " + alarm, filter)) {
    return false;
  }
  const platform::LocalDateTime now = clock_.Now();
  Found("warning", AlarmClass(Memobufdc.Line(i)), alarm,
        "Warning: " + mml::Printable(key) + "; " + DateTime(now), now);
  last_warning_key_ = key;
  return SoundCheckBox.Checked() && WarningSound(alarm);
}

// A solution's line belongs to the alarm of the nearest header line at or above it.
std::string DailyCheckPage::AlarmClassAbove(std::size_t line) const {
  for (std::size_t i = line + 1; i-- > 0;) {
    if (AlarmHeader(Memobufdc.Line(i))) return AlarmClass(Memobufdc.Line(i));
  }
  return {};
}

// The element's recording, then the alarm's, each to its end; the beep signal when either
// is missing. The scan waits for the end of the last one; after each, it looks whether its
// session is still there to go on with.
bool DailyCheckPage::WarningSound(std::string_view alarm) {
  const std::string& element = visit_.element;
  const std::string element_sound = sounds_folder_ + "/nods/" + element + ".wav";
  const std::string alarm_sound = sounds_folder_ + "/faults/" + std::string(alarm) + ".wav";
  sound_steps_.clear();
  if (FileNameOnly(element) && FileNameOnly(alarm) && files_.Exists(element_sound) &&
      files_.Exists(alarm_sound)) {
    sound_steps_ = {{element_sound, 0}, {alarm_sound, 0}};
  } else {
    sound_steps_ = {{"", 500}, {"", 600}, {"", 500}, {"", 600}};
  }
  sounding_ = true;
  Statusdc.SetCaption(mml::Printable(element) + ": warning sound for " + mml::Printable(alarm));
  PlayNextSound();
  return true;
}

void DailyCheckPage::PlayNextSound() {
  const SoundStep step = sound_steps_.front();
  sound_steps_.pop_front();
  auto ended = [this, session = session_serial_] { SoundEnded(session); };
  if (step.path.empty()) {
    sound_.Beep(step.hz, 500, ended);
  } else {
    sound_.Play(step.path, ended);
  }
}

void DailyCheckPage::SoundEnded(std::uint64_t session) {
  if (!sounding_ || session != session_serial_) return;
  if (!Going(session)) {
    CutSound();  // nothing left to go on with; what waited is handled now
    Run([] {});
    return;
  }
  if (!sound_steps_.empty()) {
    PlayNextSound();
    return;
  }
  sounding_ = false;
  Statusdc.SetCaption(visit_.element + ": checking");
  Run([this] {
    if (ContinueScan() == ScanState::kDone) NextCommand();
  });
}

void DailyCheckPage::CutSound() {
  if (!sounding_) return;
  sound_.Stop();
  sounding_ = false;
  sound_steps_.clear();
  scan_.reset();
}

void DailyCheckPage::Button4Click() {
  FilterMemo.AddLine(std::string(mml::Trim(ComboBox1.Text())) + " " +
                     std::string(mml::Trim(ComboBox2.Text())));
}

// The extension is always added, also to a name that ends in ".txt" already.
void DailyCheckPage::Button5Click() {
  const std::string name = dialogs_.SaveFileName("TextFile(.txt)|.txt");
  if (name.empty()) return;
  std::string text;
  for (std::size_t i = 0; i < FilterMemo.LineCount(); ++i)
    text.append(FilterMemo.Line(i)).append("\r\n");
  files_.WriteWhole(name + ".txt", text);
}

void DailyCheckPage::Button6Click() {
  const std::string name = dialogs_.OpenFileName();
  if (name.empty()) return;
  FilterMemo.Clear();
  FilterMemo.SetText(files_.Read(name));
}

}  // namespace kestrel::dailycheck
