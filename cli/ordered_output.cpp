#include "cli/ordered_output.h"

namespace kestrel::cli {

std::uint64_t OrderedOutput::Open() {
  open_.emplace_back();
  return first_ + open_.size() - 1;
}

OrderedOutput::Visit* OrderedOutput::Find(std::uint64_t visit) {
  if (visit < first_ || visit - first_ >= open_.size()) return nullptr;
  return &open_[visit - first_];
}

void OrderedOutput::Add(std::uint64_t visit, std::string text) {
  Visit* found = Find(visit);
  if (found == nullptr || found->closed) return;
  if (visit == first_) {
    sink_(text);
  } else {
    found->held.push_back(std::move(text));
  }
}

void OrderedOutput::Close(std::uint64_t visit) {
  Visit* found = Find(visit);
  if (found == nullptr) return;
  found->closed = true;
  WriteReady();
}

// The first open visit writes what it held; when it is closed, the next one's turn comes.
void OrderedOutput::WriteReady() {
  while (!open_.empty()) {
    Visit& head = open_.front();
    for (const std::string& text : head.held) sink_(text);
    head.held.clear();
    if (!head.closed) return;
    open_.pop_front();
    ++first_;
  }
}

std::size_t OrderedOutput::Waiting() const {
  std::size_t held = 0;
  for (const Visit& visit : open_) held += visit.held.size();
  return held;
}

}  // namespace kestrel::cli
