#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ports.h"

namespace kestrel::testing {

// Message boxes, as the texts they showed and whether each was a warning.
struct RecordedMessages : platform::Messages {
  std::vector<std::string> shown;
  std::vector<Kind> kinds;
  void Show(std::string_view text, Kind kind) override {
    shown.emplace_back(text);
    kinds.push_back(kind);
  }
};

// Sounds that end when the test says so, as their end events would come: `played` records
// each one ("beep 500", a recording's path, "start <path>").
struct RecordedSound : platform::Sound {
  std::vector<std::string> played;
  int stops = 0;

  void Beep(int hz, int, Done done) override {
    played.push_back("beep " + std::to_string(hz));
    pending_.push_back(std::move(done));
  }
  void Play(const std::string& path, Done done) override {
    played.push_back(path);
    pending_.push_back(std::move(done));
  }
  void Start(const std::string& path) override { played.push_back("start " + path); }
  void Stop() override {
    ++stops;
    pending_.clear();
  }

  bool Playing() const { return !pending_.empty(); }
  // Ends the sound that plays now; false when none does.
  bool Finish() {
    if (pending_.empty()) return false;
    Done done = std::move(pending_.front());
    pending_.pop_front();
    if (done) done();
    return true;
  }
  // Ends every sound, and those their ends start, up to a bound only a page that never stops
  // playing reaches.
  void FinishAll() {
    for (int i = 0; i < 100000 && Finish(); ++i) {
    }
  }

 private:
  std::deque<Done> pending_;
};

}  // namespace kestrel::testing
