// The orders that take objects out of traffic and put them back, and what the page knows of
// them: an object stays on the list of those that may still be blocked from the moment its
// block (or end of service) goes out until the exchange confirmed its undo with EXECUTED.
#include <algorithm>

#include "mml/answer.h"
#include "mml/text.h"
#include "pages/proses/proses_page.h"

namespace kestrel::proses {

namespace {

constexpr std::string_view kBlock = "RXBLI";
constexpr std::string_view kDeblock = "RXBLE";
constexpr std::string_view kServiceEnd = "RXESE";
constexpr std::string_view kServiceStart = "RXESI";
// Lines of refusals the closing message shows; the pane has them all.
constexpr std::size_t kProblemsShown = 10;

}  // namespace

ProsesPage::Command ProsesPage::Order(std::string_view verb, const std::string& object) {
  Command order{std::string(verb) + ":MO=" + object + (verb == kBlock ? ",FORCE;" : ";"), true};
  order.object = object;
  return order;
}

void ProsesPage::OrderSent(const Command& order) {
  const std::string_view verb = std::string_view(order.text).substr(0, 5);
  if (order.object.empty() || (verb != kBlock && verb != kServiceEnd)) return;
  auto found = std::find_if(pending_.begin(), pending_.end(), [&](const Pending& p) {
    return p.element == element_ && p.object == order.object;
  });
  if (found == pending_.end()) {
    pending_.push_back({element_, order.object});
    found = pending_.end() - 1;
  }
  (verb == kBlock ? found->blocked : found->out_of_service) = true;
  Outcomes.Blocked(order.object);
}

void ProsesPage::OrderFirstAnswer() {
  first_answer_ = mml::ReadAnswer(InMemo);
  if (first_answer_->Refused()) Problem(first_answer_->RefusalNote(element_, ProsesStep));
}

// The order's first answer may refuse it already (the exchange then still shows the prompt
// and the page confirms as always); an order carried out at once says EXECUTED there. Else
// the answer to ";" decides. Whatever was refused, the procedure goes on with its next
// command, as the exchange is back at its prompt, but the object is never taken as treated.
void ProsesPage::OrderAnswered(const std::string& object) {
  const std::string command = ProsesStep;
  const std::string_view verb = std::string_view(command).substr(0, 5);
  const mml::Answer second = mml::ReadAnswer(InMemo);
  const mml::Answer first = first_answer_.value_or(mml::Answer{});
  first_answer_.reset();
  if (first.Refused()) return;  // noted when it came
  std::string refusal;
  if (!first.Executed()) {
    if (second.Refused()) {
      refusal = second.RefusalNote(element_, command);
    } else if (!second.Executed()) {
      refusal = element_ + ": " + command + " refused: the answer holds no EXECUTED";
    }
  }
  if (!refusal.empty()) return Problem(refusal);
  if (verb != kDeblock && verb != kServiceStart) return;
  const auto found = std::find_if(pending_.begin(), pending_.end(), [&](const Pending& p) {
    return p.element == element_ && p.object == object;
  });
  if (found == pending_.end()) return;
  (verb == kDeblock ? found->blocked : found->out_of_service) = false;
  if (!found->blocked && !found->out_of_service) {
    pending_.erase(found);
    Outcomes.Deblocked(object);
  }
}

void ProsesPage::ReadingAnswered(std::string_view command) {
  const mml::Answer answer = mml::ReadAnswer(InMemo);
  if (answer.Refused()) Problem(answer.RefusalNote(element_, command));
}

std::vector<std::string> ProsesPage::PendingObjects(std::string_view element) const {
  std::vector<std::string> objects;
  for (const auto& p : pending_) {
    if (p.element == element) objects.push_back(p.object);
  }
  return objects;
}

std::string ProsesPage::MayStillBeBlocked(std::string_view element) const {
  const auto objects = PendingObjects(element);
  return objects.empty() ? std::string() : ". May still be blocked: " + mml::Joined(objects, " ");
}

// "Proses finish" alone only when the run went clean; otherwise what went wrong follows it.
std::string ProsesPage::ClosingMessage() const {
  std::vector<std::string> lines{"Proses finish"};
  for (std::size_t i = 0; i < run_problems_.size() && i < kProblemsShown; ++i) {
    lines.push_back(run_problems_[i]);
  }
  if (run_problems_.size() > kProblemsShown) {
    lines.push_back("and " + std::to_string(run_problems_.size() - kProblemsShown) +
                    " more in the output pane");
  }
  for (const auto& element : run_elements_) {
    const auto objects = PendingObjects(element);
    if (!objects.empty()) {
      lines.push_back("May still be blocked on " + element + ": " + mml::Joined(objects, " "));
    }
  }
  return mml::Printable(mml::Joined(lines, "\n"));
}

}  // namespace kestrel::proses
