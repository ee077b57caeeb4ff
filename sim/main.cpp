// kestrel-gateway: the simulated command gateway and the network behind it.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <iostream>

#include "sim/gateway_server.h"
#include "sim/replay.h"
#include "sim/ssh_front.h"

using kestrel::sim::Faults;
using kestrel::sim::GatewayServer;
using kestrel::sim::Scenario;

namespace {

[[noreturn]] void Fail(const QString& message) {
  std::cerr << "kestrel-gateway: " << message.toStdString() << std::endl;
  std::exit(2);
}

int NumberOption(const QCommandLineParser& parser, const QString& name, int fallback) {
  if (!parser.isSet(name)) return fallback;
  bool ok = false;
  const int value = parser.value(name).toInt(&ok);
  if (!ok || value < 0)
    Fail("--" + name + " wants a number of 0 or more, not " + parser.value(name));
  return value;
}

std::vector<std::string> Texts(const QCommandLineParser& parser, const QString& name) {
  std::vector<std::string> texts;
  for (const QString& text : parser.values(name)) {
    // An empty start would match every line.
    if (text.isEmpty()) Fail("--" + name + " wants a text that is not empty");
    texts.push_back(text.toStdString());
  }
  return texts;
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) Fail("cannot read " + path);
  return file.readAll();
}

Scenario ReadScenario(const QCommandLineParser& parser) {
  try {
    if (!parser.isSet("scenario")) return Scenario::Demo();
    const QByteArray json = ReadFile(parser.value("scenario"));
    return Scenario::FromJson(
        std::string_view(json.constData(), static_cast<std::size_t>(json.size())));
  } catch (const std::exception& error) {
    Fail(error.what());
  }
}

std::vector<kestrel::sim::RecordedSession> ReadReplayLogs(const QStringList& paths) {
  std::vector<kestrel::sim::RecordedSession> sessions;
  for (const QString& path : paths) {
    const QByteArray text = ReadFile(path);
    try {
      sessions.push_back(kestrel::sim::RecordedSession::FromRecords(
          path.toStdString(), kestrel::sim::ParseSessionLog(std::string_view(
                                  text.constData(), static_cast<std::size_t>(text.size())))));
    } catch (const kestrel::sim::MalformedLog& error) {
      Fail(path + " is not a session log: " + error.what());
    }
  }
  return sessions;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("kestrel-gateway");
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Plays the operator's command gateway and the network elements behind it, over telnet.\n"
      "Options that take TEXT match typed lines by their start, in any case, and may be given "
      "more than once.");
  parser.addHelpOption();
  parser.addOptions({
      {"listen", "Address and port to listen on (port 0: any free port).", "HOST:PORT",
       "127.0.0.1:52200"},
      {"scenario", "The network, as a JSON scenario file (default: the built-in demo network).",
       "FILE"},
      {"banner",
       "The gateway's banner before \"User: \" (default: KESTREL DEMO COMMAND "
       "GATEWAY).",
       "TEXT", "KESTREL DEMO COMMAND GATEWAY"},
      {"chunk-max",
       "Cut everything the gateway says (prompts, echoes, printouts) into random chunks of 1 "
       "to N bytes.",
       "N"},
      {"chunk-delay-ms", "Pause N ms before each chunk.", "N"},
      {"seed", "Seed of the random chunk sizes.", "N"},
      {"answer-delay-ms",
       "Send each answer (to a login line, an element selection, an MML command or an empty "
       "line) N ms after its line arrived; echoes go out at once.",
       "N"},
      {"drop-after-bytes", "Close every connection after sending N bytes.", "N"},
      {"drop-after-command",
       "Close the connection as soon as a line starting with TEXT is typed, without answering "
       "or carrying it out.",
       "TEXT"},
      {"silent-ne", "An element that never answers once selected (repeatable).", "NAME"},
      {"busy-allip", "Answer the first N outage list requests with FUNCTION BUSY.", "N"},
      {"refuse",
       "Answer an MML line starting with TEXT with NOT ACCEPTED, FAULT CODE 1, UNREASONABLE "
       "VALUE; an order is then not carried out.",
       "TEXT"},
      {"busy", "Answer an MML line starting with TEXT with FUNCTION BUSY.", "TEXT"},
      {"unknown", "Answer an MML line starting with TEXT with COMMAND UNKNOWN.", "TEXT"},
      {"refuse-confirmation",
       "Accept an order starting with TEXT, but answer its confirming \";\" with NOT "
       "ACCEPTED, FAULT CODE 31, and leave it undone.",
       "TEXT"},
      {"endless-printout",
       "Answer an MML line starting with TEXT with an alarm list that never ends (page "
       "headers, no END, no prompt).",
       "TEXT"},
      {"echo-password", "Echo the password as it is typed."},
      {"flood-options",
       "Hostile: send telnet option requests without end and never read the client."},
      {"max-sessions",
       "Serve at most N sessions at once; a connection beyond is told TOO MANY SESSIONS and "
       "closed.",
       "N"},
      {"replay",
       "Serve the recorded session log LOG instead of the scenario (repeatable; each log "
       "serves one session).",
       "LOG"},
      {"transcript-dir",
       "Write one transcript file per session into DIR (default: standard error).", "DIR"},
      {"quiet", "Write no transcripts."},
      {"ssh",
       "Speak SSH instead of telnet: the scenario's user logs in with its password or one of "
       "its ssh_keys, and the dialogue starts at the element question."},
      {"keyboard-interactive",
       "With --ssh: the password is taken by keyboard-interactive only, with N prompts (1 or "
       "more), each answered by the password.",
       "N"},
      {"host-key",
       "The SSH host key (made there on first start; default: ssh_host_ed25519_key under "
       "$XDG_STATE_HOME/kestrel-gateway).",
       "FILE"},
      {"direct", "Play the element NAME reached directly: its prompt \"<\" comes at once.", "NAME"},
      {"stdio",
       "Play one session on standard input and output, logged in already (for an SSH "
       "server's ForceCommand); transcripts only with --transcript-dir."},
  });
  parser.process(app);

  const bool replay = parser.isSet("replay");
  if (replay) {
    for (const char* name :
         {"scenario", "banner", "silent-ne", "busy-allip", "drop-after-command", "refuse", "busy",
          "unknown", "refuse-confirmation", "endless-printout", "echo-password", "flood-options"}) {
      if (parser.isSet(name)) Fail(QString("--") + name + " has no meaning with --replay");
    }
  }

  Faults faults;
  faults.chunk_max = NumberOption(parser, "chunk-max", 0);
  faults.chunk_delay_ms = NumberOption(parser, "chunk-delay-ms", 0);
  faults.drop_after_bytes =
      parser.isSet("drop-after-bytes") ? NumberOption(parser, "drop-after-bytes", 0) : -1;
  faults.seed = static_cast<unsigned>(NumberOption(parser, "seed", 1));
  for (const QString& name : parser.values("silent-ne")) faults.silent.insert(name.toStdString());
  faults.busy_allip = NumberOption(parser, "busy-allip", 0);
  faults.drop_after_command = Texts(parser, "drop-after-command");
  faults.refuse = Texts(parser, "refuse");
  faults.busy = Texts(parser, "busy");
  faults.unknown = Texts(parser, "unknown");
  faults.refuse_confirmation = Texts(parser, "refuse-confirmation");
  faults.endless_printout = Texts(parser, "endless-printout");
  faults.answer_delay_ms = NumberOption(parser, "answer-delay-ms", 0);
  faults.max_sessions = parser.isSet("max-sessions") ? NumberOption(parser, "max-sessions", 0) : -1;
  faults.echo_password = parser.isSet("echo-password");
  faults.flood_options = parser.isSet("flood-options");
  faults.banner = parser.value("banner").toStdString();
  const bool ssh = parser.isSet("ssh");
  const bool stdio = parser.isSet("stdio");
  if (ssh && stdio) Fail("--ssh and --stdio do not go together");
  faults.signed_in = ssh || stdio;
  faults.direct = parser.value("direct").toStdString();

  kestrel::sim::Transcripts transcripts;
  if (parser.isSet("quiet") || (stdio && !parser.isSet("transcript-dir"))) {
    transcripts.kind = kestrel::sim::Transcripts::Kind::kNone;
  } else if (parser.isSet("transcript-dir")) {
    transcripts = {kestrel::sim::Transcripts::Kind::kFolder, parser.value("transcript-dir")};
    if (!QDir().mkpath(transcripts.folder)) Fail("cannot create " + transcripts.folder);
  }

  // Over SSH or standard input, the telnet gateway listens on loopback behind them.
  const QString listen = ssh || stdio ? QString("127.0.0.1:0") : parser.value("listen");
  const qsizetype colon = listen.lastIndexOf(':');
  bool port_ok = false;
  const int port = listen.mid(colon + 1).toInt(&port_ok);
  const QHostAddress address(listen.left(colon));
  if (colon < 0 || !port_ok || port < 0 || port > 65535 || address.isNull()) {
    Fail("--listen wants HOST:PORT with a numeric address, not " + listen);
  }

  // Outlives the server, whose connections play its sessions.
  kestrel::sim::ReplayBook book(replay ? ReadReplayLogs(parser.values("replay"))
                                       : std::vector<kestrel::sim::RecordedSession>{});
  std::unique_ptr<GatewayServer> server;
  if (replay) {
    auto conversations = [&book, join = faults.chunk_max > 0](int session,
                                                              kestrel::sim::Connection::Log log) {
      return std::make_unique<kestrel::sim::ReplaySession>(
          book, join, std::move(log), [session](const std::string& warning) {
            std::cerr << "kestrel-gateway: session " << session << ": " << warning << std::endl;
          });
    };
    server = std::make_unique<GatewayServer>(conversations, GatewayServer::PacingOf(faults, true),
                                             faults.max_sessions, faults.seed, transcripts);
  } else {
    server = std::make_unique<GatewayServer>(ReadScenario(parser), faults, transcripts);
  }
  if (!server->Listen(address, static_cast<quint16>(port))) {
    Fail("cannot listen on " + listen + ": " + server->ErrorString());
  }
  if (stdio) {
    kestrel::sim::ServeStdio(server->Port(), [] {
      QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                Qt::QueuedConnection);
    });
    return app.exec();
  }
  std::unique_ptr<kestrel::sim::SshFront> front;
  if (ssh) {
    const QString outer = parser.value("listen");
    const qsizetype at = outer.lastIndexOf(':');
    bool ok = false;
    const int outer_port = outer.mid(at + 1).toInt(&ok);
    if (at < 0 || !ok || outer_port < 0 || outer_port > 65535 ||
        QHostAddress(outer.left(at)).isNull()) {
      Fail("--listen wants HOST:PORT with a numeric address, not " + outer);
    }
    QString key = parser.value("host-key");
    if (key.isEmpty()) {
      QString state = qEnvironmentVariable("XDG_STATE_HOME");
      if (state.isEmpty()) state = QDir::homePath() + "/.local/state";
      key = state + "/kestrel-gateway/ssh_host_ed25519_key";
    }
    const Scenario users = replay ? Scenario::Demo() : ReadScenario(parser);
    std::vector<int> interactive;
    if (parser.isSet("keyboard-interactive")) {
      interactive.push_back(NumberOption(parser, "keyboard-interactive", 1));
      if (interactive[0] < 1) Fail("--keyboard-interactive wants 1 or more prompts");
    }
    front = std::make_unique<kestrel::sim::SshFront>(
        server->Port(),
        kestrel::sim::SshUsers{users.user, users.password, users.ssh_keys, interactive});
    std::string error;
    if (!front->Listen(outer.left(at).toStdString(), outer_port, key.toStdString(), error)) {
      Fail("cannot listen on " + outer + ": " + QString::fromStdString(error));
    }
    std::cerr << "kestrel-gateway: SSH host key "
              << kestrel::sim::HostKeyFingerprint(key.toStdString()) << std::endl;
    std::cout << "kestrel-gateway listening on " << outer.left(at).toStdString() << ":"
              << front->Port() << std::endl;
    return app.exec();
  }
  // Scripts and tests read this line to learn the port.
  std::cout << "kestrel-gateway listening on " << address.toString().toStdString() << ":"
            << server->Port() << std::endl;
  return app.exec();
}
