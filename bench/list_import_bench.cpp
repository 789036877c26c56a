// Importing a list file into a tool list: reading, splitting and filling the list box, at sizes
// up to the largest list a file may hold. Goal: the largest list loads in a few seconds.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/list_editing.h"
#include "controls/widgets.h"

namespace {

QString WriteList(const QTemporaryDir& dir, int lines) {
    QString path = dir.filePath(QString("list%1.txt").arg(lines));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += "host" + QByteArray::number(i) + ".example.test\r\n";
    f.write(text);
    return path;
}

void BM_SplitListText(benchmark::State& state) {
    QByteArray text;
    for (int i = 0; i < state.range(0); ++i)
        text += "10.0." + QByteArray::number(i % 256) + ".1\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(orv::SplitListText(text, "bench.txt"));
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_SplitListText)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_ImportIntoListBox(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = WriteList(dir, static_cast<int>(state.range(0)));
    orv::PageContext context;
    orv::ui::TListBox list;
    orv::ui::TLabel total;
    orv::TListEditing* e =
        orv::TListEditing::Attach(context, orv::EditedList::Ip, &list, &total, nullptr, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(e->Import(path));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ImportIntoListBox)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(orv::kMaxListEntries)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
