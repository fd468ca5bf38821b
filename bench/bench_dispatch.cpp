// One tick's action dispatch over 10,000 stored actions of which none is due:
// with conf.ini unchanged, and right after an outside edit of it.

#include "actionfolder.h"

#include "platform/errorreport.h"
#include "platform/recording.h"
#include "platform/textlist.h"
#include "scheduler/actiondispatcher.h"

#include <benchmark/benchmark.h>
#include <chrono>

using namespace zentari;
using zentari::bench::ActionFolder;

namespace {

constexpr int kActions = 10000;

class SilentPlayer : public MediaPlayer
{
public:
    void open(const QString&) override { m_mode = Mode::Stopped; }
    void play() override { m_mode = Mode::Playing; }
    void close() override { m_mode = Mode::NotOpen; }
    Mode mode() const override { return m_mode; }

private:
    Mode m_mode = Mode::NotOpen;
};

class SilentBoxes : public MessageBoxes
{
public:
    void show(const QString& text, const QString&, MessageIcon) override { shown.append(text); }
    QStringList shown;
};

// The main window as the dispatcher sees it: its conf.ini handle and its copies
// of the ids and paths lists, loaded from the list files.
struct MainWindowSource : DispatchSource
{
    IniFile ini;
    QString dir;
    QStringList ids, paths;
    const IniFile& configStore() const override { return ini; }
    QString programDir() const override { return dir; }
    const QStringList& actionIds() const override { return ids; }
    const QStringList& actionPaths() const override { return paths; }
};

struct Setup
{
    ActionFolder folder{kActions};
    ActionLog log;
    RecordingShell shell{log};
    RecordingPower power{log};
    RecordingBeeper beeper{log};
    SilentPlayer player;
    SilentBoxes boxes;
    MainWindowSource source;
    ErrorReport report{boxes};
    std::unique_ptr<ActionDispatcher> dispatcher;
    // A Monday; no action is due at the unused time on any date.
    const QString date = QStringLiteral("07.12.2026");
    const QString weekday = QStringLiteral("2");

    Setup()
    {
        source.dir = folder.path();
        source.ini = IniFile(folder.confPath());
        source.ids = textlist::load(folder.path() + QStringLiteral("data/1Ids.zdt"));
        source.paths = textlist::load(folder.path() + QStringLiteral("data/1Paths.zdt"));
        Services services;
        services.shell = &shell;
        services.power = &power;
        services.beeper = &beeper;
        services.player = &player;
        services.messages = &boxes;
        dispatcher = std::make_unique<ActionDispatcher>(source, services, report);
    }

    void tick() { dispatcher->dispatchActions(folder.unusedTime(), date, weekday); }
    bool quiet() const { return log.lines().isEmpty() && boxes.shown.isEmpty(); }
};

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
