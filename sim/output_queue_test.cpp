#include "sim/output_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/gateway_session.h"

namespace kestrel::sim {
namespace {

using Pieces = std::vector<std::string>;

// The pieces of a queue as "BYTES@DUE", a secret piece's bytes in brackets.
Pieces Drain(OutputQueue& queue) {
  Pieces pieces;
  while (!queue.Empty()) {
    const std::string due = "@" + std::to_string(queue.Due());
    const OutputQueue::Piece piece = queue.Pop();
    pieces.push_back((piece.secret ? "[" + piece.bytes + "]" : piece.bytes) + due);
  }
  return pieces;
}

// Everything the gateway says obeys --chunk-max, the login text too.
TEST(OutputQueue, ChunkMaxCutsTheLoginTextLikeAnyOther) {
  Scenario scenario = Scenario::FromJson(R"({"elements": [{"name": "BSC9"}]})");
  Faults faults;
  GatewaySession session(scenario, faults, [] { return std::string("261206 093001"); });
  std::mt19937 random(1);
  OutputQueue queue(1, 0, random);
  queue.Add(session.Start(), 0);
  const Pieces start = Drain(queue);
  ASSERT_GT(start.size(), 10u);
  for (const auto& piece : start) EXPECT_EQ(piece.size(), 3u) << piece;
  queue.Add(session.Receive("kestrel\r\n"), 0);
  EXPECT_EQ(Drain(queue),
            (Pieces{"k@0", "e@0", "s@0", "t@0", "r@0", "e@0", "l@0", "\r@0", "\n@0", "P@0", "a@0",
                    "s@0", "s@0", "w@0", "o@0", "r@0", "d@0", ":@0", " @0"}));
}

// The same seed cuts the same, each piece 1..chunk_max bytes and none spanning two outputs, a
// secret marked in every piece of it; no chunk max, no cuts.
TEST(OutputQueue, SameSeedSameCutsAndNoChunkMaxNoCuts) {
  const std::vector<Output> outputs = {{"\r\nKESTREL DEMO COMMAND GATEWAY\r\n\r\nUser: "},
                                       {"s3cret", false, true},
                                       {"Password: ", true}};
  std::mt19937 first_random(7), second_random(7);
  OutputQueue first(5, 0, first_random), second(5, 0, second_random);
  first.Add(outputs, 0);
  second.Add(outputs, 0);
  const Pieces cuts = Drain(first);
  EXPECT_EQ(cuts, Drain(second));
  std::string joined;
  for (const auto& piece : cuts) {
    const std::size_t size = piece.size() - 2 - (piece[0] == '[' ? 2 : 0);
    EXPECT_GE(size, 1u) << piece;
    EXPECT_LE(size, 5u) << piece;
    joined += piece.substr(0, piece.size() - 2);
  }
  for (std::size_t at; (at = joined.find("][")) != std::string::npos;) joined.erase(at, 2);
  EXPECT_EQ(joined, outputs[0].bytes + "[s3cret]Password: ");
  OutputQueue whole(0, 0, first_random);
  whole.Add(outputs, 0);
  EXPECT_EQ(Drain(whole), (Pieces{outputs[0].bytes + "@0", "[s3cret]@0", "Password: @0"}));
}

// An answer waits its delay after the line it answers, an echo does not; an echo never
// overtakes the answer before it.
TEST(OutputQueue, AnswersWaitTheirDelayAndEchoesDoNot) {
  std::mt19937 random(1);
  OutputQueue queue(0, 250, random);
  queue.Add({{"RLSLP:CELL=ALL;\r\n"}, {"\r\nEND\r\n\r\n<", true}}, 1000);
  EXPECT_EQ(Drain(queue), (Pieces{"RLSLP:CELL=ALL;\r\n@1000", "\r\nEND\r\n\r\n<@1250"}));
  queue.Add({{"\r\n<", true}}, 2000);
  queue.Add({{"ALLIP;\r\n"}, {"\r\nEND\r\n\r\n<", true}}, 2100);
  EXPECT_EQ(Drain(queue), (Pieces{"\r\n<@2250", "ALLIP;\r\n@2250", "\r\nEND\r\n\r\n<@2350"}));
}

}  // namespace
}  // namespace kestrel::sim
