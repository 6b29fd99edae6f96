// MakeSort and CollectCategories over a small and a full-size catalogue; the two sizes side by
// side show how the work grows.
#include "catalogue/Categories.h"
#include "catalogue/DisplayOrder.h"

#include <benchmark/benchmark.h>

using namespace sonquill;

namespace {

SoundTable makeTable(int count)
{
    SoundTable table;
    for (int i = 0; i < count; ++i) {
        SoundRecord record;
        record.name = QStringLiteral("Sound %1").arg((i * 7919) % count);
        record.filename = QStringLiteral("/sfx/set%1/sound%2.wav").arg(i % 37).arg(i);
        record.category = QStringLiteral("Category %1").arg(i % 150);
        record.size = float((i * 104729) % 5000000);
        record.locked = toBool16(i % 3 == 0);
        (void)table.AddSound(record);
    }
    return table;
}

void BM_MakeSortByNumber(benchmark::State &state)
{
    const SoundTable table = makeTable(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeSort(table, SortState{}));
    state.SetComplexityN(state.range(0));
}

void BM_MakeSortByCategoryThenName(benchmark::State &state)
{
    const SoundTable table = makeTable(int(state.range(0)));
    SortState sort;
    sort.headerClicked(SortCategory);
    sort.headerClicked(SortName);
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeSort(table, sort));
    state.SetComplexityN(state.range(0));
}

void BM_CollectCategories(benchmark::State &state)
{
    const SoundTable table = makeTable(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(CollectCategories(table));
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_MakeSortByNumber)->Arg(999)->Arg(32767)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_MakeSortByCategoryThenName)
    ->Arg(999)
    ->Arg(32767)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_CollectCategories)->Arg(999)->Arg(32767)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK_MAIN();
