#pragma once

#include <functional>
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

  // As the real client, Connect only starts the connection; it stands from the first chunk
  // delivered, and `ConnectFails` ends it before that.
  void Connect() override {
    if (connected_) throw std::runtime_error("Already connected");
    connected_ = true;
    established_ = false;
    EndReason.clear();
    ConnectError.clear();
    events.emplace_back("connect");
  }
  // The connection being made cannot be opened.
  void ConnectFails(std::string error = "Cannot connect to 127.0.0.1:52200: Connection refused") {
    if (!connected_ || established_) throw std::logic_error("no connection is being made");
    connected_ = false;
    ConnectError = std::move(error);
    events.emplace_back("connect failed");
    if (OnDisconnected) OnDisconnected();
  }
  bool Connecting() const { return connected_ && !established_; }
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
    Deliver(text);
  }
  // Delivers `text` in chunks of `size` bytes, stopping if the page disconnects.
  void ReceiveInChunks(std::string_view text, std::size_t size) {
    for (std::size_t pos = 0; pos < text.size() && connected_; pos += size) {
      Deliver(text.substr(pos, size));
    }
  }
  // Runs after each chunk, as the event loop would run what came meanwhile (a sound's end).
  std::function<void()> after_each_chunk;
  // The gateway closes the connection.
  void PeerCloses() {
    if (!connected_) return;
    connected_ = false;
    events.emplace_back("closed by peer");
    if (OnDisconnected) OnDisconnected();
  }

 private:
  void Deliver(std::string_view text) {
    established_ = true;
    OnDataAvailable(text);
    if (auto after = after_each_chunk) after();
  }

  bool connected_ = false;
  bool established_ = false;
  std::vector<std::string> sent_;
};

}  // namespace kestrel::testing
