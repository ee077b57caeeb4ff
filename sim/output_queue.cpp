#include "sim/output_queue.h"

#include <algorithm>

namespace kestrel::sim {

OutputQueue::OutputQueue(int chunk_max, int answer_delay_ms, std::mt19937& random)
    : chunk_max_(chunk_max), answer_delay_ms_(answer_delay_ms), random_(random) {}

void OutputQueue::Add(std::vector<Output> outputs, std::int64_t now_ms) {
  for (Output& output : outputs) {
    last_due_ = std::max(last_due_, now_ms + (output.answer ? answer_delay_ms_ : 0));
    if (chunk_max_ <= 0) {
      pieces_.push_back({{std::move(output.bytes), output.secret}, last_due_});
      continue;
    }
    std::uniform_int_distribution<int> size(1, chunk_max_);
    for (std::size_t pos = 0; pos < output.bytes.size();) {
      const auto n = static_cast<std::size_t>(size(random_));
      pieces_.push_back({{output.bytes.substr(pos, n), output.secret}, last_due_});
      pos += n;
    }
  }
}

OutputQueue::Piece OutputQueue::Pop() {
  Piece piece = std::move(pieces_.front().piece);
  pieces_.pop_front();
  return piece;
}

}  // namespace kestrel::sim
