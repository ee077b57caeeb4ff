#pragma once
// A session ending at every step of a page's dialogue, written once: a page gives its dialogue
// (how to start it, how to play one step, how to cut one in the middle) and what it expects at
// each cut; the loop over the cut points and the ways a session ends is here.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/fake_telnet.h"

namespace kestrel::testing {

// How a session ends: the peer closes, the client gives up on what it got, the engineer
// presses Stop, or the element falls silent until the page's watchdog ends it.
enum class Ending { kPeer, kClient, kStop, kSilence };

// What the client says when it ends a session itself.
inline constexpr const char* kClientReason = "more than 1 MB in one line";

struct Cut {
  std::size_t step;  // whole steps played before the end
  bool half;         // and the first half of the next one
  Ending ending;
  std::string in_flight;  // the last line sent before the end
  // "connection lost", with the client's reason when the client ended it.
  std::string Lost() const {
    return ending == Ending::kClient ? std::string("connection lost (") + kClientReason + ")"
                                     : "connection lost";
  }
};

template <typename Rig>
struct CutTable {
  std::size_t steps;
  std::vector<Ending> endings;
  std::function<std::unique_ptr<Rig>()> start;                      // a rig with its session begun
  std::function<kestrel::testing::FakeTelnetClient&(Rig&)> telnet;  // the session that is cut
  std::function<void(Rig&, std::size_t)> step;                      // plays step n whole
  // Plays the first half of step n; false where the step has no middle. Unset: no halves.
  std::function<bool(Rig&, std::size_t)> half;
  std::function<void(Rig&)> stop;     // for Ending::kStop
  std::function<void(Rig&)> silence;  // for Ending::kSilence
  std::function<void(Rig&, const Cut&)> expect;
};

template <typename Rig>
void ForEveryCut(const CutTable<Rig>& table) {
  static const char* const kNames[] = {"peer closes", "client ends", "Stop", "silence"};
  for (const Ending ending : table.endings) {
    for (std::size_t step = 0; step < table.steps; ++step) {
      for (const bool half : {false, true}) {
        if (half && !table.half) continue;
        SCOPED_TRACE("step " + std::to_string(step) + (half ? " and a half, " : ", ") +
                     kNames[static_cast<int>(ending)]);
        const std::unique_ptr<Rig> rig = table.start();
        for (std::size_t k = 0; k < step; ++k) table.step(*rig, k);
        if (half && !table.half(*rig, step)) continue;
        auto& telnet = table.telnet(*rig);
        Cut cut{step, half, ending, telnet.Sent().empty() ? "" : telnet.Sent().back()};
        switch (ending) {
          case Ending::kPeer:
            telnet.PeerCloses();
            break;
          case Ending::kClient:
            telnet.ClientEnds(kClientReason);
            break;
          case Ending::kStop:
            table.stop(*rig);
            break;
          case Ending::kSilence:
            table.silence(*rig);
            break;
        }
        table.expect(*rig, cut);
      }
    }
  }
}

// Receives the first half of `text`: a step cut in its middle.
inline bool HalfOf(kestrel::testing::FakeTelnetClient& telnet, const std::string& text) {
  telnet.Receive(text.substr(0, text.size() / 2));
  return true;
}

}  // namespace kestrel::testing
