// The tick's reminder step over 10,000 stored reminders of which none is due,
// alone and together with the action dispatch over 10,000 actions.

#include "dispatchsetup.h"

#include "core/timetext.h"
#include "reminders/reminderfiring.h"
#include "reminders/reminderstore.h"

#include <QDir>
#include <benchmark/benchmark.h>

using namespace zentari;

namespace {

constexpr int kReminders = 10000;

struct NoWindows : ReminderHost
{
    int shown = 0;
    void alertSound() override {}
    void showReminder(const QString&, const QString&, const QString&) override { ++shown; }
    void reminderClosed() override {}
};

// The five reminder lists as the editor writes them: every reminder on its own
// day and second, titles like "Напоминание 00042".
void writeReminders(const QString& programDir)
{
    ReminderStore::Lists l;
    const QDate first(2026, 1, 1);
    for (int i = 0; i < kReminders; ++i) {
        const QString title = QStringLiteral("Напоминание %1").arg(i, 5, 10, QLatin1Char('0'));
        const QString date = timetext::dateToStr(first.addDays(i % 365));
        l.titles.append(title);
        l.dates.append(date);
        l.times.append(timetext::timeToStr(QTime(8, 0).addSecs(i)));
        l.ids.append(title + date);
        l.messes.append(programDir + QStringLiteral("data\\Messages\\") + title + date +
                        QStringLiteral(".zdt"));
    }
    QDir(programDir).mkpath(QStringLiteral("data/messages"));
    textlist::save(programDir + QStringLiteral("data/Titles.zdt"), l.titles);
    textlist::save(programDir + QStringLiteral("data/Messes.zdt"), l.messes);
    textlist::save(programDir + QStringLiteral("data/Times.zdt"), l.times);
    textlist::save(programDir + QStringLiteral("data/Dates.zdt"), l.dates);
    textlist::save(programDir + QStringLiteral("data/IDs.zdt"), l.ids);
}

struct Reminders
{
    bench::Setup actions; // its folder serves the reminders too
    ReminderStore store{actions.folder.path()};
    ReminderFiring firing{actions.report};
    NoWindows host;
    // 07.12.2026 at the time no action holds: no reminder is due then either.
    QDateTime second;

    Reminders()
    {
        writeReminders(actions.folder.path());
        store.loadReminders();
        second = QDateTime(QDate(2026, 12, 7), timetext::strToTime(actions.folder.unusedTime()));
        firing.step(store, host, {second}); // the index is built once, as at the first tick
    }
    bool quiet() const { return host.shown == 0 && actions.quiet(); }
};

void BM_ReminderStepNoneDue(benchmark::State& state)
{
    static Reminders r;
    for (auto _ : state)
        r.firing.step(r.store, r.host, {r.second});
    if (!r.quiet())
        state.SkipWithError("a reminder was shown");
    state.counters["reminders"] = double(r.store.count());
}
BENCHMARK(BM_ReminderStepNoneDue)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

// The two steps of the tick that grow with the stores.
void BM_TickActionsAndRemindersNoneDue(benchmark::State& state)
{
    static Reminders r;
    for (auto _ : state) {
        r.actions.tick();
        r.firing.step(r.store, r.host, {r.second});
    }
    if (!r.quiet())
        state.SkipWithError("the tick did something");
}
BENCHMARK(BM_TickActionsAndRemindersNoneDue)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

} // namespace
