#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::cli {

// The output of visits that run side by side, written in the order the visits were opened:
// the oldest open visit's text goes out as it comes; a later one's waits until every visit
// before it was closed and written. What was written is not kept.
class OrderedOutput {
 public:
  using Sink = std::function<void(std::string_view text)>;
  explicit OrderedOutput(Sink sink) : sink_(std::move(sink)) {}

  // Writes `text` at once, before any visit (a header).
  void Write(std::string_view text) { sink_(text); }
  // A new visit, after every visit opened before; its number counts from 0.
  std::uint64_t Open();
  // Text of visit `visit` (lines with their line breaks). Nothing for a visit closed already.
  void Add(std::uint64_t visit, std::string text);
  // Visit `visit` has no more text.
  void Close(std::uint64_t visit);
  // Pieces of text held back, waiting for earlier visits.
  std::size_t Waiting() const;

 private:
  struct Visit {
    std::vector<std::string> held;
    bool closed = false;
  };
  Visit* Find(std::uint64_t visit);
  void WriteReady();

  Sink sink_;
  std::deque<Visit> open_;  // from visit `first_` on
  std::uint64_t first_ = 0;
};

}  // namespace kestrel::cli
