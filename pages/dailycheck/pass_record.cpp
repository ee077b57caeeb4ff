// The visit as a pass of the history: what the alarm list held, what was warned of and run,
// and how the visit ended. Only read from what the page does anyway; nothing here changes
// what it sends or writes.
#include "mml/columns.h"
#include "pages/dailycheck/dailycheck_page.h"

namespace kestrel::dailycheck {

namespace {
constexpr std::string_view kRelease = "\x04";
constexpr std::string_view kConfirm = ";";

// The alarm's number in a header line: the first word after the exchange's quoted name
// ('A2/APT "BSC9    12/00/0" 431 261205   1407'), or after the class when nothing is quoted.
std::string AlarmNumber(std::string_view line, std::string_view alarm_class) {
  std::size_t at = line.find(alarm_class);
  const std::size_t open = line.find('"', at);
  if (open != std::string_view::npos) {
    const std::size_t close = line.find('"', open + 1);
    at = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    at = line.find(' ', at);
    if (at == std::string_view::npos) at = line.size();
  }
  const std::size_t begin = line.find_first_not_of(' ', at);
  if (begin == std::string_view::npos) return {};
  const std::size_t end = line.find(' ', begin);
  return std::string(line.substr(begin, end == std::string_view::npos ? end : end - begin));
}
}  // namespace

void DailyCheckPage::BeginPass() {
  pass_.reset();
  if (watch_ == nullptr) return;
  pass_.emplace();
  pass_->element = mml::Printable(visit_.element);
  pass_->started = watch_->Now();
}

void DailyCheckPage::NoteAlarm(std::size_t i) {
  if (!pass_) return;
  const std::string_view line = Memobufdc.Line(i);
  const std::string alarm_class = AlarmClass(line);
  if (alarm_class.empty()) return;
  const std::string slogan(
      mml::Trim(mml::Cut(Memobufdc.Line(mml::RowBelow(Memobufdc, i, 1)), 0, 100)));
  pass_->alarms.push_back({alarm_class, mml::Printable(AlarmNumber(line, alarm_class + "/")),
                           mml::Printable(slogan), false});
}

void DailyCheckPage::NoteAnswer(const std::string& entry, const mml::Answer& answer) {
  if (!pass_ || entry == kConfirm || entry == kRelease) return;
  const char* outcome = answer.Refused() ? "refused" : answer.Executed() ? "executed" : "answered";
  pass_->solutions.push_back({mml::Printable(entry), outcome});
}

void DailyCheckPage::EndPass(PassEnding ending, const std::string& detail) {
  if (!pass_ || watch_ == nullptr) return;
  Pass pass = std::move(*pass_);
  pass_.reset();
  pass.ended = watch_->Now();
  pass.ending = ending;
  pass.detail = mml::Printable(detail);
  pass.list_read = DcAllipDone == "OK";
  for (const std::string& object : visit_.blocked.Objects()) pass.blocked.push_back(object);
  if (ending != PassEnding::kChecked && visit_.queue_started && !InFlight().empty() &&
      DcAllipDone == "OK") {
    pass.solutions.push_back({InFlight(), "not answered"});
  }
  std::vector<std::string> elements(ListBoxdc.Items().begin(), ListBoxdc.Items().end());
  watch_->SetElements(elements);
  watch_->Ended(pass);
}

PassEnding DailyCheckPage::EarlyEnding() const {
  if (!IdTelnetdc.ConnectError.empty()) return PassEnding::kUnreachable;
  if (stopped_ || end_reason_.starts_with("stopped")) return PassEnding::kStopped;
  if (end_reason_.starts_with("silent")) return PassEnding::kSilent;
  if (session_.LoginRefused()) {
    return end_reason_.find("NOT DEFINED") != std::string::npos ? PassEnding::kUnknownElement
                                                                : PassEnding::kRefusedLogin;
  }
  return PassEnding::kDropped;
}

}  // namespace kestrel::dailycheck
