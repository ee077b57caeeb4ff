#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "mml/telnet_client.h"

namespace kestrel::testing {

// A telnet client without a network. It records what the page did, in order, as
// "connect", "disconnect" and one "> text" per line sent; the test plays the gateway by
// delivering chunks and closing the connection.
class FakeTelnetClient : public mml::TelnetClient {
 public:
  std::vector<std::string> events;
  // The page's notes for the session record, in order.
  std::vector<std::string> notes;
  // When set, the next Connect fails with this message.
  std::string connect_error;

  void Connect() override {
    if (connected_) throw std::runtime_error("Already connected");
    if (!connect_error.empty()) {
      const std::string message = connect_error;
      connect_error.clear();
      throw std::runtime_error(message);
    }
    connected_ = true;
    EndReason.clear();
    events.emplace_back("connect");
  }
  void Disconnect() override {
    if (!connected_) return;
    connected_ = false;
    events.emplace_back("disconnect");
    if (OnDisconnected) OnDisconnected();
  }
  bool Connected() const override { return connected_; }
  void WriteLn(std::string_view text) override {
    if (!connected_) throw std::runtime_error("Not connected");
    if (!mml::IsOneLine(text)) throw std::invalid_argument("line holds a line break");
    events.push_back("> " + std::string(text));
    sent_.emplace_back(text);
  }

  void Note(std::string_view text) override { notes.emplace_back(text); }

  // The client ends the connection itself, for `reason` (a cap the peer pushed it past).
  void ClientEnds(std::string reason) {
    if (!connected_) return;
    connected_ = false;
    EndReason = std::move(reason);
    events.emplace_back("ended by client");
    if (OnDisconnected) OnDisconnected();
  }

  // Forgets what was recorded so far.
  void Forget() {
    events.clear();
    sent_.clear();
  }
  // The lines sent, without the connect and disconnect events.
  const std::vector<std::string>& Sent() const { return sent_; }
  // Delivers `text` as one chunk.
  void Receive(std::string_view text) {
    if (!connected_) throw std::logic_error("chunk delivered to a closed connection");
    OnDataAvailable(text);
  }
  // Delivers `text` in chunks of `size` bytes, stopping if the page disconnects.
  void ReceiveInChunks(std::string_view text, std::size_t size) {
    for (std::size_t pos = 0; pos < text.size() && connected_; pos += size) {
      OnDataAvailable(text.substr(pos, size));
    }
  }
  // The gateway closes the connection.
  void PeerCloses() {
    if (!connected_) return;
    connected_ = false;
    events.emplace_back("closed by peer");
    if (OnDisconnected) OnDisconnected();
  }

 private:
  bool connected_ = false;
  std::vector<std::string> sent_;
};

}  // namespace kestrel::testing
