// conf.ini with 10,000 action sections: reads while the file stays the same,
// the first read after an outside edit, and one write.

#include "actionfolder.h"

#include "core/inifile.h"
#include "core/options.h"

#include <benchmark/benchmark.h>
#include <chrono>

using namespace zentari;
using zentari::bench::ActionFolder;

namespace {

constexpr int kActions = 10000;

// Built at the first repetition and kept for the others, so that the file is
// written and parsed once per benchmark, not once per repetition.
struct Setup
{
    ActionFolder folder{kActions};
    IniFile ini{folder.confPath()};
};

void BM_ReadOptionUnchanged(benchmark::State& state)
{
    static Setup s;
    const QString programDir = s.folder.path();
    for (auto _ : state) {
        QString color = options::read(s.ini, options::Color, programDir);
        benchmark::DoNotOptimize(color);
    }
    if (options::read(s.ini, options::Color, programDir) != ActionFolder::kColor)
        state.SkipWithError("wrong Color read");
}
BENCHMARK(BM_ReadOptionUnchanged)
    ->Unit(benchmark::kNanosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// The last key ("Sun") of the section in the middle of the file: the longest
// search within a section.
void BM_ReadActionKeyUnchanged(benchmark::State& state)
{
    static Setup s;
    const QString section = s.folder.middleSection();
    const QString def = QStringLiteral("0");
    for (auto _ : state) {
        QString sun = s.ini.readString(section, u"Sun", def);
        benchmark::DoNotOptimize(sun);
    }
    if (s.ini.readString(section, u"Time", QString()).isEmpty())
        state.SkipWithError("action section not found");
}
BENCHMARK(BM_ReadActionKeyUnchanged)
    ->Unit(benchmark::kNanosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// Each event: conf.ini is overwritten in place with the other of two contents
// of the same size (not timed), then one read is timed. recheckNow() stands for
// the 100 ms that pass before the next tick looks at the file.
void BM_FirstReadAfterOutsideChange(benchmark::State& state)
{
    static Setup s;
    static int round = 0;
    const QString programDir = s.folder.path();
    for (auto _ : state) {
        const bool other = ++round % 2 == 1;
        s.folder.overwriteConf(other ? s.folder.otherConf() : s.folder.conf());
        s.ini.recheckNow();
        const auto start = std::chrono::steady_clock::now();
        QString color = options::read(s.ini, options::Color, programDir);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        if (color != (other ? ActionFolder::kOtherColor : ActionFolder::kColor)) {
            state.SkipWithError("the outside change was not seen");
            break;
        }
    }
}
BENCHMARK(BM_FirstReadAfterOutsideChange)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(41)
    ->ReportAggregatesOnly(true);

// A key that exists: its value replaced in place (two values of one length,
// taken in turn, so the file keeps its size).
void BM_WriteReplaceValue(benchmark::State& state)
{
    static Setup s;
    static int round = 0;
    for (auto _ : state) {
        const QString& color = ++round % 2 ? ActionFolder::kOtherColor : ActionFolder::kColor;
        options::write(s.ini, options::Color, color);
    }
}
BENCHMARK(BM_WriteReplaceValue)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(41)
    ->ReportAggregatesOnly(true);

// A key that does not exist yet, appended to the end of an action section in
// the middle of the file.
void BM_WriteAppendKey(benchmark::State& state)
{
    static Setup s;
    static int round = 0;
    const QString section = s.folder.middleSection();
    for (auto _ : state) {
        const QString key = QStringLiteral("Note") + QString::number(++round);
        s.ini.writeString(section, key, u"1");
    }
    const QString last = QStringLiteral("Note") + QString::number(round);
    if (s.ini.readString(section, last, QString()) != u"1")
        state.SkipWithError("appended key not read back");
}
BENCHMARK(BM_WriteAppendKey)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(41)
    ->ReportAggregatesOnly(true);

} // namespace
