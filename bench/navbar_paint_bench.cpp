// One whole paint of the side bar: layout, every header and button, copied to a target once.
// Goal: under 2 ms for the main window's bar.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <memory>
#include <string>
#include <vector>

#include "navbar/navigation_bar.h"

namespace {

using orv::TImageList;
using orv::TmxSideBar;

// Pictures of 16 x 16 pixels, each a different colour.
std::unique_ptr<TImageList> Pictures(int count) {
    auto list = std::make_unique<TImageList>(16, 16);
    for (int i = 0; i < count; ++i) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(QColor::fromHsv((i * 37) % 360, 200, 220));
        list->Add(image);
    }
    return list;
}

struct Bar {
    TmxSideBar bar;
    std::unique_ptr<TImageList> pictures;
    QImage target;

    Bar(int width, int height, orv::TmxViewStyle style, const std::vector<int>& buttons) {
        bar.resize(width, height);
        bar.SetViewStyle(style);
        bar.Settings().SetButtonStyle(orv::bsSmall);
        pictures = Pictures(8);
        for (int count : buttons) {
            orv::TmxHeader* h = bar.Headers().Add();
            h->SetCaption("Tools");
            h->Images().SetSmall(pictures.get());
            for (int i = 0; i < count; ++i) {
                orv::TmxButton* b = h->AddButton();
                b->SetCaption("Button " + std::to_string(i + 1));
                b->SetImageIndex(i % 8);
            }
        }
        if (style == orv::vsListBar) {
            bar.SetActiveHeader(bar.GetHeader(0));
        }
        target = QImage(width, height, QImage::Format_RGB32);
    }

    void Paint() {
        QPainter painter(&target);
        bar.Paint(&painter);
    }
};

// The main window's bar: 153 x 532, explorer view, seven tool buttons and one more.
void BM_PaintMainWindowBar(benchmark::State& state) {
    Bar b(153, 532, orv::vsExplorerBar, {7, 1});
    for (auto _ : state) {
        b.Paint();
        benchmark::DoNotOptimize(b.target.constBits());
    }
}
BENCHMARK(BM_PaintMainWindowBar)->Unit(benchmark::kMicrosecond);

// 20 headers of 30 buttons each, in either view (0 explorer, 1 list).
void BM_PaintLargeBar(benchmark::State& state) {
    const auto style = state.range(0) == 0 ? orv::vsExplorerBar : orv::vsListBar;
    Bar b(200, 800, style, std::vector<int>(20, 30));
    for (auto _ : state) {
        b.Paint();
        benchmark::DoNotOptimize(b.target.constBits());
    }
}
BENCHMARK(BM_PaintLargeBar)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
