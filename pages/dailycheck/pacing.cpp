// The pace of the endless check: cycles no closer than the site's shortest cycle, and a
// back-off for an element that could not be checked, so that a gateway that answers fast, or
// refuses every element, is not hammered with sessions.
#include <algorithm>
#include <cstdio>
#include <limits>

#include "pages/dailycheck/dailycheck_page.h"

namespace kestrel::dailycheck {

void DailyCheckPage::SetPacing(int min_cycle_s, int retry_s) {
  min_cycle_ms_ = std::max(min_cycle_s, 0) * std::int64_t{1000};
  backoff_.SetFirst(std::max(retry_s, 0) * std::int64_t{1000});
}

void DailyCheckPage::Rotate() {
  const std::string current = Element();
  ListBoxdc.Delete(0);
  ListBoxdc.Add(current);
}

// Elements in back-off are passed over for the rest of the cycle; when every element of the
// list is, the first one due is waited for.
void DailyCheckPage::GoOn() {
  Timerdc_wait.SetEnabled(false);
  if (StopIfNoElement()) return;
  const std::int64_t now = clock_.SteadyMs();
  std::int64_t first_due = std::numeric_limits<std::int64_t>::max();
  std::string first;
  for (const std::string& element : ListBoxdc.Items()) {
    const std::int64_t at = backoff_.Until(element);
    if (at < first_due) {
      first_due = at;
      first = element;
    }
  }
  if (first_due > now) {
    Wait(first_due - now, first + ": next try at " + TimeIn(first_due - now));
    return;
  }
  for (;;) {
    if (turns_ >= ListBoxdc.Count()) {
      const std::int64_t due = cycle_started_ + min_cycle_ms_;
      if (now < due) {
        Wait(due - now, "next cycle at " + TimeIn(due - now));
        return;
      }
      cycle_started_ = now;
      turns_ = 0;
    }
    ++turns_;
    if (backoff_.Until(Element()) <= now) break;
    Rotate();
  }
  try {
    OpenSession(true);
  } catch (const std::exception& error) {
    ConnectionFailed(error.what());
  }
}

void DailyCheckPage::Wait(std::int64_t ms, const std::string& what) {
  const auto most = static_cast<std::int64_t>(std::numeric_limits<int>::max());
  Timerdc_wait.SetInterval(static_cast<int>(std::clamp<std::int64_t>(ms, 1, most)));
  Timerdc_wait.SetEnabled(true);
  Statusdc.SetCaption(mml::Printable(what));
}

void DailyCheckPage::Timerdc_waitTimer() {
  Timerdc_wait.SetEnabled(false);
  if (Holding()) {
    deferred_.push_back({Deferred::Kind::kWait, session_serial_, {}});
    return;
  }
  Run([this] { GoOn(); });
}

// A pass that read the element's alarm list ends its back-off; one that could not doubles it.
// A Stop is the engineer's, not the element's.
void DailyCheckPage::Settle(bool checked) {
  last_checked_ = checked;
  if (checked) {
    backoff_.Checked(visit_.element);
  } else if (!stopped_) {
    backoff_.Failed(visit_.element, clock_.SteadyMs());
  }
}

std::string DailyCheckPage::TimeIn(std::int64_t ms) const {
  const platform::LocalDateTime now = clock_.Now();
  const std::int64_t seconds =
      (now.hour * 3600 + now.minute * 60 + now.second + (ms + 999) / 1000) % 86400;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

}  // namespace kestrel::dailycheck
