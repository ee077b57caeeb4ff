#pragma once

#include <QObject>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "sim/conversation.h"
#include "sim/output_queue.h"
#include "sim/pace_clock.h"
#include "sim/transcript.h"

namespace kestrel::sim {

// How a connection paces what it sends.
struct Pacing {
  int chunk_max = 0;        // cut everything into random chunks of 1..chunk_max bytes
  int answer_delay_ms = 0;  // an answer goes out this long after its line arrived
  bool paced = false;       // one piece per turn of the event loop, `gap_ms` apart
  int gap_ms = 0;
  long long drop_after_bytes = -1;  // close after sending this many bytes
  bool read = true;                 // false: the client's bytes are never read
};

// One client connection: feeds the conversation what the client sends, sends what it says
// as the pacing asks, and keeps the session's transcript. It lives as long as its socket.
class Connection : public QObject {
 public:
  using Log = std::function<void(const std::string&)>;
  using Make = std::function<std::unique_ptr<Conversation>(Log log)>;

  // `ended` runs once, when the socket has closed; `total_sent` counts the bytes written.
  // `clock` outlives the connection.
  Connection(QTcpSocket* socket, const Make& make, const Pacing& pacing, PaceClock& clock,
             std::mt19937& random, std::unique_ptr<Transcript> transcript,
             std::function<void()> ended, long long& total_sent);
  ~Connection() override;

 private:
  void Read();
  void SendNext();
  void Write(const OutputQueue::Piece& piece);
  void Event(const std::string& text);
  void Ended();

  QTcpSocket* socket_;
  Pacing pacing_;
  OutputQueue queue_;
  std::unique_ptr<Transcript> transcript_;
  std::function<void()> ended_;
  std::unique_ptr<Conversation> conversation_;
  PaceClock& clock_;
  std::unique_ptr<PaceClock::Alarm> pacer_;
  long long sent_ = 0;
  long long& total_sent_;
  bool closing_ = false;  // the gateway is ending the connection
  bool quiet_ = false;    // output without end: no longer written to the transcript
  bool over_ = false;     // the socket has closed
  bool reading_ = false;  // events of the conversation wait for the bytes that caused them
  std::vector<std::string> held_events_;
};

}  // namespace kestrel::sim
