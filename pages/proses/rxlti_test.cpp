#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/proses/proses_test_exchange.h"

namespace kestrel::proses::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::string FaultSituation() {
  return "RADIO X-CEIVER ADMINISTRATION\r\nMANAGED OBJECT ALARM SITUATION\r\n\r\n"
         "MO                 FAULT\r\n"
         "RXOCF-12           PERMANENT FAULT\r\n"
         "RXOTS-12-0-1       TS SYNC FAULT  PERMANENT FAULT\r\n"
         "RXOTRX-12-1        PERMANENT FAULT\r\n"
         "RXOTS-12-0-13      TS SYNC FAULT\r\n"
         "RXORX-12-1         LOCAL MODE\r\n"
         "RXOTX-12-1         PERMANENT FAULT\r\n\r\n";
}

void RxltiBsc(Exchange& exchange, const std::string& situation = FaultSituation()) {
  exchange.page.ListBox1.Add("BSC9");
  exchange.printouts["RXASP:MOTY=RXOTG;"] = situation;
}

const std::vector<std::string> kTimeslots = {
    "RXBLI:MO=RXOTS-12-0-1,FORCE;", ";", "RXBLI:MO=RXOTS-12-0-13,FORCE;", ";",
    // The 30-second wait ends with an empty line.
    "", "RXESE:MO=RXOTS-12-0-1;", ";", "RXLTI:MO=RXOTS-12-0-1;", "RXLTI:MO=RXOTS-12-0-13;",
    "RXESI:MO=RXOTS-12-0-1;", ";", "RXBLE:MO=RXOTS-12-0-1;", ";", "\x04", "",
    "RXBLE:MO=RXOTS-12-0-13;", ";"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(Rxlti, TimeslotsInABatchThenTheOtherObjectsWhateverTheChunkSize) {
  const auto expected =
      Join({{"RXASP:MOTY=RXOTG;"},
            kTimeslots,
            {"\x04", ""},
            {"RXBLI:MO=RXOTRX-12-1,FORCE;", ";", "RXBLE:MO=RXOTRX-12-1;", ";", "\x04", ""},
            {"RXBLI:MO=RXOTX-12-1,FORCE;", ";", "RXBLE:MO=RXOTX-12-1;", ";"}});
  std::string pane;  // the output pane shows the text as printed, however it was cut
  for (std::size_t chunk : {4096, 1, 3, 11}) {
    Exchange exchange(chunk);
    RxltiBsc(exchange);
    exchange.Run();
    EXPECT_EQ(exchange.Commands(), expected) << "chunks of " << chunk;
    if (pane.empty()) pane = exchange.page.OutMemo.Text();
    EXPECT_EQ(exchange.page.OutMemo.Text(), pane) << "chunks of " << chunk;
    EXPECT_THAT(exchange.page.OutMemo.Lines(),
                ::testing::Contains("RXOTS-12-0-1       TS SYNC FAULT  PERMANENT FAULT"));
    // Three release pauses and the 30-second wait.
    EXPECT_EQ(exchange.clock.Now(), 30000 + 3 * 3000);
    EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
  }
}

TEST(Rxlti, TheWaitFollowsTheLastBlockAndNothingIsSentDuringIt) {
  Exchange exchange;
  RxltiBsc(exchange);
  struct At : platform::Clock {
    platform::LocalDateTime Now() const override { return {2026, 12, 5, 14, 7, 30}; }
    std::int64_t SteadyMs() const override { return 0; }
  } at;
  exchange.page.SetClock(at);
  exchange.auto_time = false;
  exchange.Run();
  EXPECT_EQ(exchange.page.ProsesStep, "TIMERENABLED");
  // The page says what it waits for, and until when.
  EXPECT_EQ(exchange.page.StatusLabel.Caption(), "BSC9: the 30-second wait, until 14:08:00");
  EXPECT_EQ(exchange.Commands().back(), ";");  // confirming the block of the last timeslot
  const std::size_t sent = exchange.telnet.Sent().size();
  exchange.clock.Advance(29999);
  EXPECT_EQ(exchange.telnet.Sent().size(), sent);
  exchange.clock.Advance(1);
  EXPECT_EQ(exchange.telnet.Sent().back(), "");
  exchange.auto_time = true;
  exchange.Play();
  EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
  EXPECT_EQ(exchange.page.StatusLabel.Caption(), "");
}

TEST(Rxlti, CentralFunctionIsCollectedOnlyWhenTheBoxIsUnticked) {
  Exchange exchange;
  RxltiBsc(exchange);
  exchange.page.Cfcbox.SetChecked(false);
  exchange.Run();
  const auto commands = exchange.Commands();
  const auto block = std::find(commands.begin(), commands.end(), "RXBLI:MO=RXOCF-12,FORCE;");
  ASSERT_LT(block + 2, commands.end());
  EXPECT_EQ(*(block + 2), "RXBLE:MO=RXOCF-12;");
}

// Timeslots alone end with the last deblock, without a pause; other objects alone skip the
// wait; nothing faulty finishes at once.
TEST(Rxlti, EachKindOfObjectAlone) {
  const std::string heading = "MO                 FAULT\r\n";
  const struct {
    std::string situation;
    std::vector<std::string> commands;
    std::int64_t time;
  } rows[] = {
      {heading + "RXOTS-12-0-1       TS SYNC FAULT  PERMANENT FAULT\r\n"
                 "RXOTS-12-0-13      TS SYNC FAULT\r\n\r\n",
       Join({{"RXASP:MOTY=RXOTG;"}, kTimeslots}), 30000 + 3000},
      {heading + "RXOTRX-12-1        PERMANENT FAULT\r\n\r\n",
       {"RXASP:MOTY=RXOTG;", "RXBLI:MO=RXOTRX-12-1,FORCE;", ";", "RXBLE:MO=RXOTRX-12-1;", ";"},
       0},
      {heading + "RXOTRX-12-1        LOCAL MODE\r\n\r\n", {"RXASP:MOTY=RXOTG;"}, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.situation);
    Exchange exchange;
    RxltiBsc(exchange, row.situation);
    exchange.Run();
    EXPECT_EQ(exchange.Commands(), row.commands);
    EXPECT_EQ(exchange.clock.Now(), row.time);
    EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
  }
}

TEST(Rxlti, ServiceMarksSurviveIntoTheNextBsc) {
  Exchange exchange;
  RxltiBsc(exchange);
  exchange.page.ListBox1.Add("BSC10");
  exchange.Run();
  const auto commands = exchange.Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "RXESE:MO=RXOTS-12-0-1;"), 1);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "RXESI:MO=RXOTS-12-0-1;"), 1);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "RXASP:MOTY=RXOTG;"), 2);
  EXPECT_EQ(exchange.page.ProsesRxeseDone, "OK");
  EXPECT_EQ(pages::RecapLine(exchange.page.Outcomes.All()[1]), "BSC10: reached, done");
  // The pane says it of the BSC that skips them, once.
  std::vector<std::string> notes;
  for (const std::string& line : exchange.page.OutMemo.Lines()) {
    if (line.find("skipped") != std::string::npos) notes.push_back(line);
  }
  EXPECT_THAT(notes, ElementsAre("*** BSC10: RXESE and RXESI are skipped: the end-of-service and "
                                 "start-of-service marks carry over from BSC9 to the later BSCs "
                                 "of the run"));
}

}  // namespace
}  // namespace kestrel::proses::testing
