// The simulator over real loopback sockets: what only a running server shows.
#include "sim/gateway_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpSocket>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>

#include "tests/run_until.h"

namespace kestrel::sim {
namespace {

// A client of the gateway: what it has read is `seen`, while it reads.
struct Client {
  explicit Client(quint16 port) {
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
      if (reading) seen += socket.readAll();
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, [this] { closed = true; });
    socket.connectToHost("127.0.0.1", port);
  }
  bool Await(const char* text) {
    return kestrel::testing::RunUntil([&] { return seen.contains(text); });
  }
  void Type(const std::string& line) { socket.write(QByteArray::fromStdString(line + "\r\n")); }

  QTcpSocket socket;
  QByteArray seen;
  bool closed = false;
  bool reading = true;
};

// Time that moves only when the test moves it: what a connection's answers wait on here.
class ManualPaceClock : public PaceClock {
 public:
  std::int64_t NowMs() const override { return now_; }
  std::unique_ptr<Alarm> MakeAlarm(std::function<void()> ring) override {
    return std::make_unique<ManualAlarm>(*this, std::move(ring));
  }
  // Moves the time on and rings each alarm due by then.
  void Advance(std::int64_t ms) {
    now_ += ms;
    for (ManualAlarm* alarm : alarms_) {
      if (alarm->Active() && alarm->due <= now_) {
        alarm->due = -1;
        alarm->ring();
      }
    }
  }

 private:
  struct ManualAlarm : Alarm {
    ManualAlarm(ManualPaceClock& on, std::function<void()> then)
        : clock(on), ring(std::move(then)) {
      clock.alarms_.insert(this);
    }
    ~ManualAlarm() override { clock.alarms_.erase(this); }
    void Start(std::int64_t ms) override { due = clock.now_ + ms; }
    bool Active() const override { return due >= 0; }
    ManualPaceClock& clock;
    std::function<void()> ring;
    std::int64_t due = -1;
  };

  std::set<ManualAlarm*> alarms_;
  std::int64_t now_ = 0;
};

class GatewayServerTest : public ::testing::Test {
 protected:
  void Serve() {
    server = std::make_unique<GatewayServer>(scenario, faults,
                                             Transcripts{Transcripts::Kind::kNone, {}});
    if (clock) server->UseClock(*clock);
    ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0));
  }
  // Waits for `text`; a manual clock moves on by an answer's delay each turn meanwhile.
  bool Await(Client& client, const char* text) {
    return kestrel::testing::RunUntil([&] {
      if (clock) clock->Advance(faults.answer_delay_ms);
      return client.seen.contains(text);
    });
  }
  void LogIn(Client& client) {
    ASSERT_TRUE(Await(client, "User: "));
    client.Type("kestrel");
    ASSERT_TRUE(Await(client, "Password: "));
    client.Type("kestrel");
    ASSERT_TRUE(Await(client, "NE: "));
    client.Type("NE=BSC9");
    ASSERT_TRUE(Await(client, "<"));
  }

  Scenario scenario = Scenario::FromJson(
      R"({"user": "kestrel", "password": "kestrel", "elements": [{"name": "BSC9",
          "cells": [{"name": "C09101A"}]}]})");
  Faults faults;
  std::unique_ptr<ManualPaceClock> clock;  // none: the event loop's
  std::unique_ptr<GatewayServer> server;
};

// Recorded cuts go out apart; cuts made afresh (and a replay that cuts afresh) go out as any
// others; a chunk delay asked for is the gap whatever else.
TEST(GatewayServerPacing, RecordedCutsGoOutApartAndFreshCutsAsAnyOthers) {
  const struct {
    int chunk_max, chunk_delay_ms;
    bool replay, apart;
  } rows[] = {{0, 0, false, false}, {0, 0, true, true}, {3, 0, true, false}, {3, 20, true, true}};
  for (const auto& row : rows) {
    Faults faults;
    faults.chunk_max = row.chunk_max;
    faults.chunk_delay_ms = row.chunk_delay_ms;
    const Pacing pacing = GatewayServer::PacingOf(faults, row.replay);
    EXPECT_EQ(pacing.gap_ms > 0, row.apart) << row.chunk_max << " " << row.replay;
    if (row.chunk_delay_ms > 0) {
      EXPECT_EQ(pacing.gap_ms, row.chunk_delay_ms);
    }
  }
}

// A session beyond the most is told and closed (none at all with 0); once a session's socket
// closes, the next is served.
TEST_F(GatewayServerTest, SessionsBeyondTheMostAreToldAndClosedUntilASocketCloses) {
  for (const int most : {0, 1}) {
    faults.max_sessions = most;
    Serve();
    Client first(server->Port());
    if (most == 1) {
      ASSERT_TRUE(first.Await("User: "));
    }
    Client refused(server->Port());
    ASSERT_TRUE(kestrel::testing::RunUntil([&] { return refused.closed; }));
    EXPECT_EQ(refused.seen, "TOO MANY SESSIONS\r\n");
    if (most == 0) continue;
    first.socket.close();
    // The gateway sees the close in its own time: sessions are refused until then.
    EXPECT_TRUE(kestrel::testing::RunUntil([&] {
      Client next(server->Port());
      kestrel::testing::RunUntil([&] { return next.closed || next.seen.contains("User: "); });
      return next.seen.contains("User: ");
    }));
  }
}

// Each session waits for its own answers only: three sessions asking at once get their
// answers after one delay, not one after another, a delay apart.
TEST_F(GatewayServerTest, AnswerDelaysOfSessionsDoNotAddUp) {
  constexpr int kDelay = 300;
  faults.answer_delay_ms = kDelay;
  clock = std::make_unique<ManualPaceClock>();
  Serve();
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < 3; ++i) {
    clients.push_back(std::make_unique<Client>(server->Port()));
    LogIn(*clients.back());
    clients.back()->seen.clear();
  }
  const std::string echo = "RLSLP:CELL=ALL;\r\n";
  const long long echoed = server->BytesSent() + 3 * static_cast<long long>(echo.size());
  for (auto& client : clients) client->Type("RLSLP:CELL=ALL;");
  // The echoes come at once, and nothing else while the clock stands still.
  for (auto& client : clients) ASSERT_TRUE(client->Await(echo.c_str()));
  EXPECT_EQ(server->BytesSent(), echoed);
  clock->Advance(kDelay - 1);
  EXPECT_EQ(server->BytesSent(), echoed);
  clock->Advance(1);
  // Added up, the second answer would wait for another delay, and the clock stands still.
  for (auto& client : clients) ASSERT_TRUE(client->Await("END\r\n\r\n<"));
}

// A client that stops reading holds output without end back (an option flood, a printout
// without end): the gateway writes only while the socket takes it, so what it has sent stays
// within the kernel's buffers however many turns its event loop makes; it goes on once the
// client reads again, and meanwhile other sessions are served. Each turn of a gateway that
// wrote on regardless would add 64 KB: the turns below pass the bound by construction.
TEST_F(GatewayServerTest, OutputWithoutEndStopsWhileTheClientDoesNotRead) {
  for (const bool flood : {true, false}) {
    faults.flood_options = flood;
    faults.endless_printout = {"ALLIP"};
    Serve();
    Client client(server->Port());
    if (!flood) {
      LogIn(client);
      client.Type("ALLIP;");
    }
    ASSERT_TRUE(kestrel::testing::RunUntil([&] { return client.seen.size() > (1 << 20); }));
    EXPECT_FALSE(client.seen.contains(flood ? "User" : "END"));
    constexpr long long kBound = 64 << 20;  // far above any kernel's socket buffers
    constexpr int kTurns = 4 * (kBound >> 16);
    // What comes is left in the kernel's buffers, as by a client that has stopped reading.
    client.reading = false;
    client.socket.setReadBufferSize(1);
    for (int turn = 0; turn < kTurns && server->BytesSent() < kBound; ++turn) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const long long filled = server->BytesSent();
    EXPECT_LT(filled, kBound);
    client.reading = true;
    client.socket.setReadBufferSize(0);
    client.seen += client.socket.readAll();
    EXPECT_TRUE(kestrel::testing::RunUntil([&] { return server->BytesSent() > filled + (1 << 20); },
                                           60000));
    if (!flood) {
      Client other(server->Port());
      LogIn(other);
    }
  }
}

}  // namespace
}  // namespace kestrel::sim
