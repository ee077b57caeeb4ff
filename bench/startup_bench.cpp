// Start-up to the entry window: the five windows made in order and the entry window shown
// and painted, under Qt's offscreen platform. The target is well under a second.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "app/application.h"

namespace {

void StartUpToEntryWindow(benchmark::State& state) {
  const kestrel::platform::SiteSettings site;
  for (auto _ : state) {
    auto windows = std::make_unique<kestrel::app::Application>(site);
    windows->Start();
    windows->Form1->repaint();
    QApplication::processEvents();
    benchmark::DoNotOptimize(windows->Form1->isVisible());
    state.PauseTiming();  // tearing down is not part of start-up
    windows.reset();
    state.ResumeTiming();
  }
}

BENCHMARK(StartUpToEntryWindow)->Unit(benchmark::kMillisecond);

}  // namespace
