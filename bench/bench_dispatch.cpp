// One tick's action dispatch over 10,000 stored actions of which none is due:
// with conf.ini unchanged, and right after an outside edit of it.

#include "dispatchsetup.h"

#include <benchmark/benchmark.h>
#include <chrono>

using namespace zentari;
using zentari::bench::ActionFolder;

namespace {

using zentari::bench::Setup;

void BM_DispatchNoneDue(benchmark::State& state)
{
    static Setup s;
    for (auto _ : state)
        s.tick();
    if (!s.quiet())
        state.SkipWithError("the dispatch did something");
    state.counters["actions"] = double(s.source.paths.size());
}
BENCHMARK(BM_DispatchNoneDue)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

// Each event: conf.ini overwritten in place with the other of two contents of
// one size (not timed), then one whole dispatch timed, which re-reads the file.
void BM_DispatchAfterOutsideChange(benchmark::State& state)
{
    static Setup s;
    static int round = 0;
    for (auto _ : state) {
        const bool other = ++round % 2 == 1;
        s.folder.overwriteConf(other ? s.folder.otherConf() : s.folder.conf());
        s.source.ini.recheckNow();
        const auto start = std::chrono::steady_clock::now();
        s.tick();
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        const QString color = s.source.ini.readString(u"Options big", u"Color", QString());
        if (color != (other ? ActionFolder::kOtherColor : ActionFolder::kColor)) {
            state.SkipWithError("the outside change was not seen");
            break;
        }
    }
    if (!s.quiet())
        state.SkipWithError("the dispatch did something");
}
BENCHMARK(BM_DispatchAfterOutsideChange)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(41)
    ->ReportAggregatesOnly(true);

} // namespace
