#include "net/qt_telnet_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <functional>
#include <memory>

namespace kestrel::net {
namespace {

using namespace std::string_literals;

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Runs the event loop until `done` holds or two seconds pass.
bool RunUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 2000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

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
    ASSERT_TRUE(server.waitForNewConnection(2000));
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

TEST_F(QtTelnetClientTest, RefusedConnectionNamesHostAndPort) {
  const int port = server.serverPort();
  server.close();
  try {
    client.Connect();
    FAIL() << "connected to a closed port";
  } catch (const std::runtime_error& error) {
    EXPECT_THAT(error.what(), HasSubstr("127.0.0.1:" + std::to_string(port)));
  }
  EXPECT_FALSE(client.Connected());
}

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

TEST_F(QtTelnetClientTest, DisconnectDeliversTheEventBeforeItReturnsAndOnlyOnce) {
  ConnectBoth();
  client.Disconnect();
  EXPECT_THAT(events, ElementsAre("disconnected"));
  EXPECT_FALSE(client.Connected());
  client.Disconnect();
  EXPECT_THAT(events, ElementsAre("disconnected"));
  EXPECT_THROW(client.WriteLn("x"), std::runtime_error);
}

TEST_F(QtTelnetClientTest, PeerCloseDeliversTheLastDataThenTheEvent) {
  ConnectBoth();
  peer->write("END\r\n\r\n<");
  peer->flush();
  peer->disconnectFromHost();
  ASSERT_TRUE(RunUntil([&] { return !events.empty() && events.back() == "disconnected"; }));
  EXPECT_EQ(AllData(), "END\r\n\r\n<");
  EXPECT_FALSE(client.Connected());
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

}  // namespace
}  // namespace kestrel::net
