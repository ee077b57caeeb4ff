// kestrel-gateway: the simulated command gateway and the network behind it.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <iostream>

#include "sim/gateway_server.h"

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

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("kestrel-gateway");
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Plays the operator's command gateway and the network elements behind it, over telnet.");
  parser.addHelpOption();
  parser.addOptions({
      {"listen", "Address and port to listen on (port 0: any free port).", "HOST:PORT",
       "127.0.0.1:52200"},
      {"scenario", "The network, as a JSON scenario file (default: the built-in demo network).",
       "FILE"},
      {"chunk-max", "Cut printouts into random chunks of 1 to N bytes.", "N"},
      {"chunk-delay-ms", "Pause N ms before each chunk.", "N"},
      {"drop-after-bytes", "Close every connection after sending N bytes.", "N"},
      {"silent-ne", "An element that never answers once selected (repeatable).", "NAME"},
      {"busy-allip", "Answer the first N outage list requests with FUNCTION BUSY.", "N"},
      {"seed", "Seed of the random chunk sizes.", "N"},
      {"transcript-dir",
       "Write one transcript file per session into DIR (default: standard error).", "DIR"},
      {"quiet", "Write no transcripts."},
  });
  parser.process(app);

  Scenario scenario;
  try {
    if (parser.isSet("scenario")) {
      QFile file(parser.value("scenario"));
      if (!file.open(QIODevice::ReadOnly)) Fail("cannot read " + file.fileName());
      const QByteArray json = file.readAll();
      scenario = Scenario::FromJson(
          std::string_view(json.constData(), static_cast<std::size_t>(json.size())));
    } else {
      scenario = Scenario::Demo();
    }
  } catch (const std::exception& error) {
    Fail(error.what());
  }

  Faults faults;
  faults.chunk_max = NumberOption(parser, "chunk-max", 0);
  faults.chunk_delay_ms = NumberOption(parser, "chunk-delay-ms", 0);
  faults.drop_after_bytes =
      parser.isSet("drop-after-bytes") ? NumberOption(parser, "drop-after-bytes", 0) : -1;
  faults.seed = static_cast<unsigned>(NumberOption(parser, "seed", 1));
  for (const QString& name : parser.values("silent-ne")) faults.silent.insert(name.toStdString());
  faults.busy_allip = NumberOption(parser, "busy-allip", 0);

  kestrel::sim::Transcripts transcripts;
  if (parser.isSet("quiet")) {
    transcripts.kind = kestrel::sim::Transcripts::Kind::kNone;
  } else if (parser.isSet("transcript-dir")) {
    transcripts = {kestrel::sim::Transcripts::Kind::kFolder, parser.value("transcript-dir")};
    if (!QDir().mkpath(transcripts.folder)) Fail("cannot create " + transcripts.folder);
  }

  const QString listen = parser.value("listen");
  const qsizetype colon = listen.lastIndexOf(':');
  bool port_ok = false;
  const int port = listen.mid(colon + 1).toInt(&port_ok);
  const QHostAddress address(listen.left(colon));
  if (colon < 0 || !port_ok || port < 0 || port > 65535 || address.isNull()) {
    Fail("--listen wants HOST:PORT with a numeric address, not " + listen);
  }

  GatewayServer server(std::move(scenario), faults, transcripts);
  if (!server.Listen(address, static_cast<quint16>(port))) {
    Fail("cannot listen on " + listen + ": " + server.ErrorString());
  }
  // Scripts and tests read this line to learn the port.
  std::cout << "kestrel-gateway listening on " << address.toString().toStdString() << ":"
            << server.Port() << std::endl;
  return app.exec();
}
