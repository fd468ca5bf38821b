// What 10,000 actions cost the main window in memory: its copies of the ids and
// paths lists and its conf.ini handle, whose document indexes the whole file.
// Run in a process of its own, so that no other benchmark's freed memory is
// reused (that would hide the resident-set growth).

#include "actionfolder.h"
#include "dispatchsetup.h"

#include "core/inifile.h"
#include "platform/errorreport.h"
#include "scheduler/actionstore.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <malloc.h>

using namespace zentari;
using zentari::bench::ActionFolder;

namespace {

constexpr int kActions = 10000;
constexpr double kMB = 1e6;

// Bytes handed out by malloc and not yet freed: the arenas' chunks in use plus
// the chunks large enough to be mapped on their own (a file's bytes, an index).
double heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd);
}

double residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() * 1024;
    }
    return 0;
}

void BM_MainWindowMemory(benchmark::State& state)
{
    const ActionFolder folder(kActions);
    bench::SilentBoxes boxes;
    ErrorReport report(boxes);
    for (auto _ : state) {
        // Hand freed pages back first, so that the resident growth is the load's own.
        malloc_trim(0);
        const double heap0 = heapInUse();
        const double rss0 = residentBytes();

        // As the main window's creation does it: conf.ini opened (one shared,
        // indexed document), then its lists loaded into its ActionStore.
        auto store = std::make_unique<ActionStore>(folder.path());
        store->openStore();
        IniFile configStore = store->config();
        const double heap1 = heapInUse();
        // The ids and the count of the paths: what the main window keeps for the tick.
        const qsizetype paths = store->loadForTick(report);
        const double heap2 = heapInUse();
        const double rss2 = residentBytes();

        if (store->tickIds().size() != kActions || paths != kActions ||
            !configStore.sectionExists(folder.middleSection()))
            state.SkipWithError("the store was not loaded");
        state.counters["MB"] = (heap2 - heap0) / kMB;
        state.counters["ini_MB"] = (heap1 - heap0) / kMB;
        state.counters["lists_MB"] = (heap2 - heap1) / kMB;
        state.counters["conf_file_MB"] = double(folder.conf().size()) / kMB;
        state.counters["RSS_MB"] = (rss2 - rss0) / kMB;
    }
}
BENCHMARK(BM_MainWindowMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
