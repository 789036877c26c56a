// Saving and loading a side bar whose header holds many buttons. Loading checks every name once
// and builds the buttons without comparing names again, so both grow with the buttons.
// Goal: loading 16,000 buttons in about the time saving them takes.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <string>

#include "navbar/navigation_bar.h"

namespace {

QByteArray SavedBar(int buttons) {
    orv::TmxSideBar bar;
    orv::TmxHeader* h = bar.Headers().Add();
    for (int i = 0; i < buttons; ++i) {
        orv::TmxButton* b = h->AddButton();
        b->SetCaption("Button " + std::to_string(i + 1));
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bar.SaveToStream(buffer);
    return buffer.data();
}

void BM_SaveBar(benchmark::State& state) {
    orv::TmxSideBar bar;
    QByteArray bytes = SavedBar(static_cast<int>(state.range(0)));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    bar.LoadFromStream(in);
    for (auto _ : state) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        bar.SaveToStream(out);
        benchmark::DoNotOptimize(out.data().size());
    }
}
BENCHMARK(BM_SaveBar)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);

void BM_LoadBar(benchmark::State& state) {
    QByteArray bytes = SavedBar(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        orv::TmxSideBar bar;
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        bar.LoadFromStream(in);
        benchmark::DoNotOptimize(bar.GetHeader(0)->GetButtonCount());
    }
}
BENCHMARK(BM_LoadBar)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);

}  // namespace
