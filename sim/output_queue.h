#pragma once

#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "sim/conversation.h"

namespace kestrel::sim {

// What one connection has still to send, in order, each piece with the time it may go out.
// Times are milliseconds of the connection's own clock, so one session's delays never hold
// another's.
class OutputQueue {
 public:
  struct Piece {
    std::string bytes;
    bool secret = false;  // part of the echoed password
  };

  // `chunk_max` > 0 cuts every output into random pieces of 1..chunk_max bytes, sizes drawn
  // from `random` (shared by the connections, so one seed repeats a whole run); otherwise an
  // output is one piece. An answer is due `answer_delay_ms` after the line it answers.
  OutputQueue(int chunk_max, int answer_delay_ms, std::mt19937& random);

  // Adds what the gateway said in reply to bytes that arrived at `now_ms`.
  void Add(std::vector<Output> outputs, std::int64_t now_ms);
  bool Empty() const { return pieces_.empty(); }
  // When the next piece may go out; never earlier than a piece before it.
  std::int64_t Due() const { return pieces_.front().due; }
  Piece Pop();
  void Clear() { pieces_.clear(); }

 private:
  struct Entry {
    Piece piece;
    std::int64_t due;
  };

  int chunk_max_;
  int answer_delay_ms_;
  std::mt19937& random_;
  std::deque<Entry> pieces_;
  std::int64_t last_due_ = 0;
};

}  // namespace kestrel::sim
