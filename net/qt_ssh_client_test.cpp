// The SSH client against the simulator's SSH side on loopback, with a plain TCP server in the
// place of the telnet gateway behind it: what the client types arrives there, and what it
// says comes back over the channel.
#include "net/qt_ssh_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "net/qt_telnet_client.h"
#include "sim/ssh_front.h"

#include "tests/run_until.h"
#include "tests/test_data.h"

namespace kestrel::net {
namespace {

using namespace std::string_literals;

using kestrel::testing::RunUntil;

class QtSshClientTest : public ::testing::Test {
 protected:
  QtSshClientTest() {
    gateway.listen(QHostAddress::LocalHost);
    QObject::connect(&gateway, &QTcpServer::newConnection, [this] {
      QTcpSocket* socket = gateway.nextPendingConnection();
      QObject::connect(socket, &QTcpSocket::readyRead,
                       [this, socket] { typed += socket->readAll().toStdString(); });
      socket->write("GATEWAY\r\n<");
    });
    client.Host = "127.0.0.1";
    client.User = [this] { return user; };
    client.Password = [this] { return password; };
    client.OnDataAvailable = [this](std::string_view chunk) { received += chunk; };
    client.OnDisconnected = [this] { ended = true; };
  }
  void Start(sim::SshUsers users) {
    front = std::make_unique<sim::SshFront>(gateway.serverPort(), std::move(users));
    const std::string key = keys.filePath("host_key").toStdString();
    std::string error;
    ASSERT_TRUE(front->Listen("127.0.0.1", 0, key, error)) << error;
    client.Port = front->Port();
    client.Ssh.host_key = sim::HostKeyFingerprint(key);
  }
  // Logged in by keyboard-interactive, with the gateway's prompt in.
  void LogIn() {
    Start({"ops", "secret", {}, {1}});
    client.Connect();
    ASSERT_TRUE(RunUntil([&] { return received.ends_with("<") || ended; })) << received;
    ASSERT_FALSE(ended) << client.ConnectError << received;
  }
  std::string Where() const { return "127.0.0.1:" + std::to_string(client.Port); }

  QTcpServer gateway;
  std::string typed;
  QTemporaryDir keys;
  std::unique_ptr<sim::SshFront> front;
  std::string user = "ops";
  std::string password = "secret";
  QtSshClient client;
  std::string received;
  bool ended = false;
};

// Keyboard-interactive answers every prompt of every round with the password; a login that
// no offered method takes is the session's one line "LOGIN INCORRECT (...)", naming what was
// tried and the user (read when the session starts), and then its end.
TEST_F(QtSshClientTest, LoginsTakenAndRefused) {
  using kestrel::testing::SplitAt;
  for (const std::string& line :
       SplitAt(kestrel::testing::TestDataLines("net/ssh-logins.txt"), "\r\n")) {
    if (line.empty() || line.starts_with('#')) continue;
    SCOPED_TRACE(line);
    const std::vector<std::string> row = SplitAt(line, "\t");
    std::vector<int> rounds;
    for (const std::string& n : SplitAt(row.at(0), ",")) {
      if (n != "-") rounds.push_back(std::stoi(n));
    }
    Start({"ops", "secret", {}, rounds});
    received.clear();
    ended = false;
    user = row.at(1);
    password = row.at(2);
    client.Connect();
    if (row.at(3) == "-") {
      ASSERT_TRUE(RunUntil([&] { return received == "GATEWAY\r\n<" || ended; })) << received;
      EXPECT_FALSE(ended) << client.ConnectError;
      client.Disconnect();
    } else {
      ASSERT_TRUE(RunUntil([&] { return ended; }));
      EXPECT_EQ(received, "LOGIN INCORRECT (" + Where() + " over SSH took none of: " + row[3] +
                              "; user " + user + ")\r\n");
      EXPECT_EQ(client.ConnectError, "");
    }
  }
}

// A line with CR, LF or NUL is refused whole; the next good one goes out alone. A silent
// session sends keepalive requests.
TEST_F(QtSshClientTest, OneLineAtATimeAndKeepalivesInTheSilence) {
  client.Ssh.keepalive_s = 1;
  LogIn();
  for (const std::string& bad : {"A\rB"s, "A\nB"s, "A\0B"s}) {
    EXPECT_THROW(client.WriteLn(bad), std::invalid_argument);
  }
  client.WriteLn("ZEJ;");
  ASSERT_TRUE(RunUntil([&] { return typed.ends_with("\n"); }));
  EXPECT_EQ(typed, "ZEJ;\r\n");
  EXPECT_TRUE(RunUntil([&] { return front->Keepalives() > 0; }));
  EXPECT_FALSE(ended);
}

// What the page types faster than the peer takes is bounded: past the bound the client
// ends the session itself, and none of it goes out. Here the lines come in one run, before
// the client can send any.
TEST_F(QtSshClientTest, OutputPastTheBoundEndsTheSessionWithNothingSent) {
  LogIn();
  const std::string line(1000000, 'x');
  for (int i = 0; i < 5; ++i) client.WriteLn(line);
  EXPECT_EQ(client.UnsentOutput(), 0);
  ASSERT_TRUE(RunUntil([&] { return ended; }));
  EXPECT_EQ(client.EndReason, QtTelnetClient::kUnsentOutputReason);
  EXPECT_EQ(typed, "");
}

// A server that takes the connection and never says its SSH banner: the connect time-out
// ends the session, with no data.
TEST_F(QtSshClientTest, AServerThatNeverGreetsTimesOut) {
  QTcpServer silent;
  silent.listen(QHostAddress::LocalHost);
  client.Port = silent.serverPort();
  client.ConnectTimeoutMs = 300;
  client.Connect();
  ASSERT_TRUE(RunUntil([&] { return ended; }));
  EXPECT_TRUE(silent.hasPendingConnections());
  EXPECT_EQ(client.ConnectError, "Cannot connect to " + Where() + ": no answer within 300 ms");
  EXPECT_EQ(received, "");
}

}  // namespace
}  // namespace kestrel::net
