// The simulator over real loopback sockets: what only a running server shows.
#include "sim/gateway_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <functional>
#include <memory>

namespace kestrel::sim {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;

// Runs the event loop until `done` or `ms` have passed.
bool Until(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

class Client {
 public:
  explicit Client(quint16 port) {
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] {
      if (reading_) seen += socket_.readAll();
    });
    QObject::connect(&socket_, &QTcpSocket::disconnected, [this] { closed = true; });
    socket_.connectToHost("127.0.0.1", port);
  }
  bool Await(const char* text, int ms = 5000) {
    return Until([&] { return seen.contains(text); }, ms);
  }
  void Type(const std::string& line) { socket_.write(QByteArray::fromStdString(line + "\r\n")); }
  void Close() { socket_.close(); }
  // Leaves what comes in the kernel's buffers, as a client that has stopped reading.
  void StopReading() {
    reading_ = false;
    socket_.setReadBufferSize(1);
  }
  void ReadAgain() {
    reading_ = true;
    socket_.setReadBufferSize(0);
    seen += socket_.readAll();
  }

  QByteArray seen;
  bool closed = false;

 private:
  QTcpSocket socket_;
  bool reading_ = true;
};

class GatewayServerTest : public ::testing::Test {
 protected:
  void Serve() {
    server = std::make_unique<GatewayServer>(scenario, faults,
                                             Transcripts{Transcripts::Kind::kNone, {}});
    ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0));
  }
  void LogIn(Client& client) {
    ASSERT_TRUE(client.Await("User: "));
    client.Type("kestrel");
    ASSERT_TRUE(client.Await("Password: "));
    client.Type("kestrel");
    ASSERT_TRUE(client.Await("NE: "));
    client.Type("NE=BSC9");
    ASSERT_TRUE(client.Await("<"));
  }

  Scenario scenario = Scenario::FromJson(
      R"({"user": "kestrel", "password": "kestrel", "elements": [{"name": "BSC9",
          "cells": [{"name": "C09101A"}]}]})");
  Faults faults;
  std::unique_ptr<GatewayServer> server;
};

TEST(GatewayServerPacing, RecordedCutsGoOutApartAndFreshCutsAsAnyOthers) {
  Faults faults;
  EXPECT_FALSE(GatewayServer::PacingOf(faults, false).paced);
  EXPECT_TRUE(GatewayServer::PacingOf(faults, false).read);
  const Pacing recorded = GatewayServer::PacingOf(faults, true);
  EXPECT_TRUE(recorded.paced);
  EXPECT_GT(recorded.gap_ms, 0);
  faults.chunk_max = 3;
  EXPECT_EQ(GatewayServer::PacingOf(faults, true).gap_ms, 0);
  EXPECT_EQ(GatewayServer::PacingOf(faults, true).chunk_max, 3);
  faults.chunk_delay_ms = 20;
  faults.answer_delay_ms = 70;
  faults.drop_after_bytes = 900;
  faults.flood_options = true;
  const Pacing pacing = GatewayServer::PacingOf(faults, false);
  EXPECT_EQ(pacing.gap_ms, 20);
  EXPECT_EQ(pacing.answer_delay_ms, 70);
  EXPECT_EQ(pacing.drop_after_bytes, 900);
  EXPECT_FALSE(pacing.read);
}

TEST_F(GatewayServerTest, SessionsBeyondTheMostAreToldAndClosedUntilASocketCloses) {
  faults.max_sessions = 1;
  Serve();
  Client first(server->Port());
  ASSERT_TRUE(first.Await("User: "));
  Client second(server->Port());
  ASSERT_TRUE(Until([&] { return second.closed; }));
  EXPECT_EQ(second.seen, "TOO MANY SESSIONS\r\n");
  first.Close();
  Until([] { return false; }, 200);  // the gateway sees the socket close
  Client third(server->Port());
  EXPECT_TRUE(third.Await("User: "));
}

TEST_F(GatewayServerTest, NoSessionsAtAllWithMaxSessionsZero) {
  faults.max_sessions = 0;
  Serve();
  Client client(server->Port());
  ASSERT_TRUE(Until([&] { return client.closed; }));
  EXPECT_EQ(client.seen, "TOO MANY SESSIONS\r\n");
}

// Each session waits for its own answers only: three sessions asking at once get their
// answers after one delay, not after three.
TEST_F(GatewayServerTest, AnswerDelaysOfSessionsDoNotAddUp) {
  constexpr int kDelay = 300;
  faults.answer_delay_ms = kDelay;
  Serve();
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < 3; ++i) {
    clients.push_back(std::make_unique<Client>(server->Port()));
    LogIn(*clients.back());
    clients.back()->seen.clear();
  }
  QElapsedTimer timer;
  timer.start();
  for (auto& client : clients) client->Type("RLSLP:CELL=ALL;");
  for (auto& client : clients) {
    ASSERT_TRUE(client->Await("RLSLP:CELL=ALL;\r\n"));  // the echo comes at once
    EXPECT_FALSE(client->seen.contains("END"));
  }
  for (auto& client : clients) ASSERT_TRUE(client->Await("END\r\n\r\n<"));
  EXPECT_GE(timer.elapsed(), kDelay);
  EXPECT_LT(timer.elapsed(), 3 * kDelay);
}

TEST_F(GatewayServerTest, DropAfterCommandClosesTheConnection) {
  faults.drop_after_command = {"RXBLI"};
  Serve();
  Client client(server->Port());
  LogIn(client);
  client.seen.clear();
  client.Type("RXBLI:MO=RXOTG-1,FORCE;");
  ASSERT_TRUE(Until([&] { return client.closed; }));
  EXPECT_EQ(client.seen, "");
}

// A client that stops reading holds output without end back: the gateway writes only while
// the socket takes it, so its own buffers never grow; it goes on once the client reads again.
void ExpectOutputStopsWhileTheClientDoesNotRead(GatewayServer& server, Client& client) {
  client.StopReading();
  Until([] { return false; }, 300);  // the kernel's buffers fill up in far less
  const long long filled = server.BytesSent();
  Until([] { return false; }, 500);
  EXPECT_EQ(server.BytesSent(), filled);
  EXPECT_LT(filled, 64 << 20);
  client.ReadAgain();
  EXPECT_TRUE(Until([&] { return server.BytesSent() > filled + (1 << 20); }));
}

TEST_F(GatewayServerTest, OptionFloodStopsWhileTheClientDoesNotRead) {
  faults.flood_options = true;
  Serve();
  Client client(server->Port());
  ASSERT_TRUE(Until([&] { return client.seen.size() > 4096; }));
  EXPECT_FALSE(client.seen.contains("User"));
  ExpectOutputStopsWhileTheClientDoesNotRead(*server, client);
}

TEST_F(GatewayServerTest, EndlessPrintoutStopsWhileTheClientDoesNotRead) {
  faults.endless_printout = {"ALLIP"};
  Serve();
  Client client(server->Port());
  LogIn(client);
  client.Type("ALLIP;");
  ASSERT_TRUE(Until([&] { return client.seen.size() > (1 << 20); }));
  EXPECT_FALSE(client.seen.contains("END"));
  ExpectOutputStopsWhileTheClientDoesNotRead(*server, client);
  // Meanwhile other sessions are served.
  Client other(server->Port());
  LogIn(other);
}

}  // namespace
}  // namespace kestrel::sim
