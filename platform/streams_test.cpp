// Loopback connections as the simulator's SSH side uses them, on either system.
#include "platform/streams.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace kestrel::platform {
namespace {

std::string Receive(Socket socket) {
  char buffer[64];
  return std::string(buffer, ReceiveSome(socket, buffer, sizeof buffer));
}

TEST(LoopbackStreams, BytesPassBothWaysAndEveryEndIsHeard) {
  int port = 0;
  const Socket listening = ListenLoopback(port);
  ASSERT_NE(listening, kNoSocket);
  ASSERT_GT(port, 0);
  EXPECT_EQ(LocalPort(listening), port);
  EXPECT_EQ(WaitReadable(listening, 0), 0);  // nobody has called yet

  const Socket client = ConnectLoopback(port);
  ASSERT_NE(client, kNoSocket);
  ASSERT_EQ(WaitReadable(listening, 5000), 1);
  const Socket server = AcceptConnection(listening);
  ASSERT_NE(server, kNoSocket);

  EXPECT_EQ(WaitReadable(server, 0), 0);
  ASSERT_TRUE(SendAll(client, "RXTCP:MOTY=RXOTG;\r\n"));
  ASSERT_EQ(WaitReadable(server, 5000), 1);
  EXPECT_EQ(Receive(server), "RXTCP:MOTY=RXOTG;\r\n");
  ASSERT_TRUE(SendAll(server, std::string(1, '\0') + "<"));
  EXPECT_EQ(Receive(client), std::string(1, '\0') + "<");

  // A shut-down socket wakes the thread that waits on it, as a stopped session must.
  std::size_t woken_with = 1;
  std::thread waiting([&] {
    char buffer[8];
    woken_with = ReceiveSome(client, buffer, sizeof buffer);
  });
  ShutdownSocket(client);
  waiting.join();
  EXPECT_EQ(woken_with, 0u);

  // The peer's close is an end, not an error to wait on.
  EXPECT_EQ(WaitReadable(server, 5000), 1);
  EXPECT_EQ(Receive(server), "");
  for (const Socket socket : {client, server, listening}) CloseSocket(socket);

  // Nothing listens on the port now.
  EXPECT_EQ(ConnectLoopback(port), kNoSocket);
}

}  // namespace
}  // namespace kestrel::platform
