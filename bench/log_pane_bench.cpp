// The Daily check's log pane receives every chunk of a session as a line; a long alarm list
// brings tens of thousands. The bound view appends what is new once per turn of the event
// loop, so the time per chunk must stay flat as the pane grows.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>

#include "controls/memo.h"
#include "widgets/bindings.h"

namespace {

void ChunksIntoABoundLogPane(benchmark::State& state) {
  const std::string chunk = "A3/EXT \"BSC10   12/00/0\" 431 261206   0930\r\nEXTERNAL ALARM\r\n";
  for (auto _ : state) {
    kestrel::controls::Memo log;
    QPlainTextEdit view;
    view.setReadOnly(true);
    kestrel::widgets::Bind(log, &view);
    for (int64_t i = 0; i < state.range(0); ++i) {
      log.AddLine(chunk);
      if (i % 50 == 0) QApplication::processEvents();  // the event loop turns between chunks
    }
    QApplication::processEvents();
    benchmark::DoNotOptimize(view.document()->blockCount());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(ChunksIntoABoundLogPane)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace
