#include "sim/output_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/gateway_session.h"

namespace kestrel::sim {
namespace {

using Pieces = std::vector<std::string>;

Pieces Drain(OutputQueue& queue) {
  Pieces pieces;
  while (!queue.Empty()) pieces.push_back(queue.Pop().bytes);
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
  for (const auto& piece : start) EXPECT_EQ(piece.size(), 1u);
  queue.Add(session.Receive("kestrel\r\n"), 0);
  EXPECT_EQ(Drain(queue), (Pieces{"k", "e", "s", "t", "r", "e", "l", "\r", "\n", "P", "a", "s", "s",
                                  "w", "o", "r", "d", ":", " "}));
}

TEST(OutputQueue, SameSeedSameCutsAndNoChunkMaxNoCuts) {
  const std::vector<Output> outputs = {{"\r\nKESTREL DEMO COMMAND GATEWAY\r\n\r\nUser: "},
                                       {"Password: ", true}};
  std::mt19937 first_random(7), second_random(7);
  OutputQueue first(5, 0, first_random), second(5, 0, second_random);
  first.Add(outputs, 0);
  second.Add(outputs, 0);
  const Pieces cuts = Drain(first);
  EXPECT_EQ(cuts, Drain(second));
  std::string joined;
  for (const auto& piece : cuts) {
    EXPECT_GE(piece.size(), 1u);
    EXPECT_LE(piece.size(), 5u);
    joined += piece;
  }
  EXPECT_EQ(joined, outputs[0].bytes + outputs[1].bytes);
  EXPECT_EQ(cuts.back().substr(cuts.back().size() - 1), " ");  // no piece spans two outputs
  // A secret stays marked in every piece of it.
  OutputQueue secret(2, 0, first_random);
  secret.Add({{"s3cret", false, true}, {"\r\nLOGGED IN\r\n", true}}, 0);
  std::string hidden;
  while (!secret.Empty()) {
    const OutputQueue::Piece piece = secret.Pop();
    if (piece.secret) hidden += piece.bytes;
  }
  EXPECT_EQ(hidden, "s3cret");

  OutputQueue whole(0, 0, first_random);
  whole.Add(outputs, 0);
  EXPECT_EQ(Drain(whole), (Pieces{outputs[0].bytes, "Password: "}));
}

TEST(OutputQueue, AnswersWaitTheirDelayAndEchoesDoNot) {
  std::mt19937 random(1);
  OutputQueue queue(0, 250, random);
  queue.Add({{"RLSLP:CELL=ALL;\r\n"}, {"\r\nEND\r\n\r\n<", true}}, 1000);
  EXPECT_EQ(queue.Due(), 1000);
  queue.Pop();
  EXPECT_EQ(queue.Due(), 1250);
  queue.Pop();
  // An echo never overtakes the answer before it.
  queue.Add({{"\r\n<", true}}, 2000);
  queue.Add({{"ALLIP;\r\n"}, {"\r\nEND\r\n\r\n<", true}}, 2100);
  EXPECT_EQ(queue.Due(), 2250);
  queue.Pop();
  EXPECT_EQ(queue.Due(), 2250);
  queue.Pop();
  EXPECT_EQ(queue.Due(), 2350);
}

}  // namespace
}  // namespace kestrel::sim
