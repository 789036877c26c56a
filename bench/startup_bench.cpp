// Building the main window and painting it once, as at program start. Goal: under 150 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>

#include "app/main_window.h"

static void BM_MainWindowConstructAndPaint(benchmark::State& state) {
    QTemporaryDir dir;
    std::string folder = QDir(dir.path()).absolutePath().toStdString() + "/";
    for (auto _ : state) {
        orv::Tmain m(folder);
        m.show();
        QPixmap shot = m.grab();  // renders every visible widget once
        benchmark::DoNotOptimize(shot);
        state.PauseTiming();
        m.hide();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MainWindowConstructAndPaint)->Unit(benchmark::kMillisecond);
