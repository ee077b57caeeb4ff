#include "net/qt_telnet_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "tests/run_until.h"

namespace kestrel::net {
namespace {

using namespace std::string_literals;

using ::testing::ElementsAre;

using kestrel::testing::RunUntil;

class QtTelnetClientTest : public ::testing::Test {
 protected:
  QtTelnetClientTest() {
    server.listen(QHostAddress::LocalHost);
    client.Host = "127.0.0.1";
    client.Port = server.serverPort();
    client.OnDataAvailable = [this](std::string_view chunk) {
      events.push_back("data:" + std::string(chunk));
    };
    client.OnDisconnected = [this] { events.emplace_back("disconnected"); };
  }
  void ConnectBoth() {
    client.Connect();
    ASSERT_TRUE(server.waitForNewConnection(30000));
    peer.reset(server.nextPendingConnection());
  }
  // Everything the server has received so far.
  std::string ReceivedByServer(std::size_t at_least) {
    RunUntil([&] {
      peer->waitForReadyRead(10);
      received += peer->readAll().toStdString();
      return received.size() >= at_least;
    });
    return received;
  }
  std::string AllData() const {
    std::string all;
    for (const auto& e : events) {
      if (e.starts_with("data:")) all += e.substr(5);
    }
    return all;
  }

  QTcpServer server;
  QtTelnetClient client;
  std::unique_ptr<QTcpSocket> peer;
  std::vector<std::string> events;
  std::string received;
};

TEST_F(QtTelnetClientTest, NegotiatesAndDeliversDataWithoutCommands) {
  ConnectBoth();
  peer->write("\xff\xfb\x01\xff\xfd\x18User: ");
  ASSERT_TRUE(RunUntil([&] { return AllData() == "User: "; }));
  EXPECT_EQ(ReceivedByServer(6), "\xff\xfd\x01\xff\xfb\x18");
  peer->write("\xff\xfa\x18\x01\xff\xf0");
  EXPECT_EQ(ReceivedByServer(16),
            "\xff\xfd\x01\xff\xfb\x18\xff\xfa\x18\x00"
            "dumb\xff\xf0"s);
  client.WriteLn(
      "a\xff"
      "b");
  EXPECT_EQ(ReceivedByServer(21).substr(16),
            "a\xff\xff"
            "b\r\n");
  EXPECT_THROW(client.WriteLn("two\r\nlines"), std::invalid_argument);
}

// Disconnect delivers the end before it returns, once; a peer's close delivers the last data,
// then the end. Either way the session is over.
TEST_F(QtTelnetClientTest, EachEndIsDeliveredOnceAfterTheLastData) {
  for (const bool peer_closes : {false, true}) {
    events.clear();
    ConnectBoth();
    if (peer_closes) {
      peer->write("END\r\n\r\n<");
      peer->flush();
      peer->disconnectFromHost();
      ASSERT_TRUE(RunUntil([&] { return !events.empty() && events.back() == "disconnected"; }));
      EXPECT_EQ(AllData(), "END\r\n\r\n<");
    } else {
      client.Disconnect();
      client.Disconnect();
      EXPECT_THAT(events, ElementsAre("disconnected"));
    }
    EXPECT_FALSE(client.Connected());
    EXPECT_THROW(client.WriteLn("x"), std::runtime_error);
  }
}

TEST_F(QtTelnetClientTest, HandlerMayEndTheSessionAndOpenTheNext) {
  ConnectBoth();
  int chunks = 0;
  client.OnDataAvailable = [&](std::string_view) {
    if (++chunks == 1) {
      client.Disconnect();
      client.Connect();
    }
  };
  peer->write("first<");
  ASSERT_TRUE(RunUntil([&] { return chunks == 1 && server.hasPendingConnections(); }));
  std::unique_ptr<QTcpSocket> second(server.nextPendingConnection());
  second->write("second");
  ASSERT_TRUE(RunUntil([&] { return chunks == 2; }));
  EXPECT_TRUE(client.Connected());
  EXPECT_THAT(events, ElementsAre("disconnected"));
}

// Past the output cap the session ends: for the replies to a peer that floods requests and
// never reads, and for lines written inside a data handler or outside one, as from a timer.
// The end never comes inside a handler (it runs to its end first) but through the event loop.
TEST_F(QtTelnetClientTest, OutputPastTheCapEndsTheSessionOnlyAfterTheHandler) {
  const std::string line(60 * 1024, 'x');
  std::string flood;  // every pair asks for a change of state, so every pair is answered
  while (flood.size() < 64 * 1024) flood += "\xff\xfb\x01\xff\xfc\x01";
  for (const std::string how : {"replies", "lines in a handler", "lines"}) {
    SCOPED_TRACE(how);
    events.clear();
    ConnectBoth();
    // The peer takes nothing more off the wire, so whatever the client sends piles up.
    peer->setReadBufferSize(1024);
    peer->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    qint64 most_unsent = 0;
    bool connected_after = true;
    std::size_t events_inside = 0;
    const auto write_lines = [&] {
      for (int i = 0; i < 1000; ++i) {  // far more than the cap and every buffer of the system
        client.WriteLn(line);
        most_unsent = std::max(most_unsent, client.UnsentOutput());
      }
      connected_after = client.Connected();
      events_inside = events.size();
    };
    client.OnDataAvailable = [&](std::string_view) { write_lines(); };
    if (how == "lines in a handler") peer->write("<");
    if (how == "lines") write_lines();
    // Far more than the cap and every buffer of the system, so only the cap can end it.
    for (std::size_t flooded = 0; how == "replies" && client.Connected() && flooded < 256u << 20;) {
      if (peer->bytesToWrite() < 1024 * 1024) {
        peer->write(flood.data(), static_cast<qint64>(flood.size()));
        flooded += flood.size();
      }
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      most_unsent = std::max(most_unsent, client.UnsentOutput());
    }
    ASSERT_TRUE(RunUntil([&] { return !events.empty(); }));
    EXPECT_TRUE(connected_after);
    EXPECT_EQ(events_inside, 0u);
    EXPECT_THAT(events, ElementsAre("disconnected"));
    EXPECT_EQ(client.EndReason, "the gateway stopped reading: more than 4 MB of unsent output");
    EXPECT_GT(most_unsent, QtTelnetClient::kMaxUnsentOutput / 2);
    EXPECT_LE(most_unsent, QtTelnetClient::kMaxUnsentOutput);
  }
}

// A listening socket whose queue of connections is full and never taken from: a connect to
// it is never answered.
struct Unanswered {
  QTcpServer server;
  std::vector<std::unique_ptr<QTcpSocket>> fillers;
  // The port, 0 when the queue could not be filled.
  int Fill() {
    server.setListenBacklogSize(0);
    if (!server.listen(QHostAddress::LocalHost)) return 0;
    server.pauseAccepting();
    for (int i = 0; i < 8; ++i) {
      fillers.push_back(std::make_unique<QTcpSocket>());
      fillers.back()->connectToHost(QHostAddress::LocalHost, server.serverPort());
      // Far more than an answered connect takes.
      if (!fillers.back()->waitForConnected(2000)) return server.serverPort();
    }
    return 0;
  }
};

// Connecting holds nothing: a connection refused, or never answered within the client's
// time-out, ends as an event that names host and port, with no data before it; meanwhile
// events go on, and Disconnect ends an attempt at once.
TEST_F(QtTelnetClientTest, AConnectThatFailsEndsAsAnEventNamingHostAndPort) {
  Unanswered gateway;
  const int unanswered = gateway.Fill();
  ASSERT_NE(unanswered, 0) << "could not fill a listening queue";
  const struct {
    int port;
    int timeout_ms;
    std::string error;
  } rows[] = {
      {server.serverPort(), 60000, "Connection refused"},
      {unanswered, 60000, ""},  // ended by Disconnect
      {unanswered, 300, "no answer within 300 ms"},
  };
  server.close();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.error);
    events.clear();
    client.Port = row.port;
    client.ConnectTimeoutMs = row.timeout_ms;
    client.Connect();
    EXPECT_TRUE(client.Connected());
    EXPECT_TRUE(events.empty());
    if (row.error.empty()) {
      bool ticked = false;
      QTimer::singleShot(50, [&] { ticked = true; });
      ASSERT_TRUE(RunUntil([&] { return ticked; }));
      EXPECT_TRUE(events.empty());
      client.Disconnect();
    }
    ASSERT_TRUE(RunUntil([&] { return !events.empty(); }));
    EXPECT_THAT(events, ElementsAre("disconnected"));
    EXPECT_EQ(client.ConnectError,
              row.error.empty()
                  ? ""
                  : "Cannot connect to 127.0.0.1:" + std::to_string(row.port) + ": " + row.error);
    EXPECT_FALSE(client.Connected());
  }
  client.Port = 0;
  EXPECT_THROW(client.Connect(), std::runtime_error);  // no network could mend that
}

// A handler that runs a nested event loop (it waits for a sound to end): the data that comes
// meanwhile, and the peer's close, wait in the socket for it to return; Stop pressed meanwhile
// ends the session then and there, and the socket that delivered the data outlives the
// handler. The nested loop runs until the socket holds the data (and has seen the close), or
// something was delivered inside it.
TEST_F(QtTelnetClientTest, AHandlersNestedEventLoopHoldsWhatComesButNotAStop) {
  const struct {
    bool stop;
    int deepest;
    std::vector<std::string> events;
  } rows[] = {
      {false, 1, {"data:one", "handled one", "data:two", "disconnected"}},
      {true, 2, {"data:one", "disconnected", "handled one"}},
  };
  for (const auto& row : rows) {
    events.clear();
    ConnectBoth();
    int depth = 0, deepest = 0;
    client.OnDataAvailable = [&](std::string_view chunk) {
      deepest = std::max(deepest, ++depth);
      events.push_back("data:" + std::string(chunk));
      if (chunk.starts_with("one")) {
        const QTcpSocket* socket = client.findChildren<QTcpSocket*>().constLast();
        peer->write("two");
        peer->flush();
        if (!row.stop) peer->disconnectFromHost();
        RunUntil([&] {
          return events.size() > 1 ||
                 (socket->bytesAvailable() == 3 &&
                  (row.stop || socket->state() == QAbstractSocket::UnconnectedState));
        });
        if (row.stop) {
          QTimer::singleShot(0, [&] { client.Disconnect(); });
          RunUntil([&] { return events.size() > 1; });
        }
        events.emplace_back("handled one");
      }
      --depth;
    };
    client.OnDisconnected = [&] {
      deepest = std::max(deepest, depth + 1);
      events.emplace_back("disconnected");
    };
    peer->write("one");
    ASSERT_TRUE(RunUntil([&] { return events.size() >= row.events.size(); }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_EQ(events, row.events);
    EXPECT_EQ(deepest, row.deepest);
    EXPECT_FALSE(client.Connected());
    EXPECT_TRUE(client.EndReason.empty());
  }
}

}  // namespace
}  // namespace kestrel::net
