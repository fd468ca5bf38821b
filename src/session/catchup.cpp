#include "catchup.h"

#include "core/error.h"
#include "core/inifile.h"
#include "core/paths.h"
#include "core/timetext.h"
#include "reminders/reminderstore.h"
#include "scheduler/actionstore.h"

#include <QTimeZone>
#include <algorithm>

namespace zentari {

namespace {

// The date and time in the time representation of `like` (the clock's);
// invalid when that local time does not exist on that day.
QDateTime localAt(QDate day, QTime time, const QDateTime& like)
{
    const QDateTime at = like.timeSpec() == Qt::TimeZone
                             ? QDateTime(day, time, like.timeZone())
                             : QDateTime(day, time, like.timeSpec(), like.offsetFromUtc());
    if (!at.isValid() || at.date() != day || at.time() != time)
        return {};
    return at;
}

bool within(const QDateTime& at, const QDateTime& after, const QDateTime& before)
{
    return at.isValid() && at > after && at < before;
}

// The latest second in the gap at which the dispatch would have performed
// the action; invalid when none.
QDateTime latestDue(const IniFile& config, const QString& section, const QDateTime& after,
                    const QDateTime& before)
{
    const std::optional<QTime> time =
        timetext::exactTime(config.readString(section, u"Time", QStringLiteral("00:00:01")));
    if (!time)
        return {};
    const PeriodChecks period = ActionStore::storedPeriod(config, section);
    QDateTime latest;
    if (period.everyDay || period.chosenDays) {
        const std::array<bool, 7> days = ActionStore::storedDays(config, section);
        // A week and a day back is enough to find the latest of any weekday.
        const QDate earliest = std::max(after.date(), before.date().addDays(-8));
        for (QDate day = before.date(); day >= earliest; day = day.addDays(-1)) {
            if (!period.everyDay && !days[size_t(day.dayOfWeek() - 1)])
                continue;
            const QDateTime at = localAt(day, *time, before);
            if (within(at, after, before)) {
                latest = at;
                break;
            }
        }
    }
    if (period.once) {
        if (const std::optional<QDate> day = timetext::exactDate(
                config.readString(section, u"Date", QStringLiteral("01.01.1901")))) {
            const QDateTime at = localAt(*day, *time, before);
            if (within(at, after, before) && (!latest.isValid() || at > latest))
                latest = at;
        }
    }
    return latest;
}

} // namespace

CatchUpPlan CatchUp::plan(const IniFile& config, const QString& programDir, const QStringList& ids,
                          const ReminderStore& reminders, const QDateTime& after,
                          const QDateTime& before, const QDateTime& now, int graceMinutes,
                          const std::function<bool(const QString&)>& done)
{
    CatchUpPlan plan;
    if (!after.isValid() || !before.isValid() || after >= before)
        return plan;

    const RecordList<Reminder>& records = reminders.records();
    for (int i = 0; i < reminders.count(); ++i) {
        const Reminder& r = records[i];
        std::optional<QTime> time;
        try {
            time = timetext::strToTime(r.timeText); // compared as a value, as the tick does
        } catch (const ConvertError&) {
            continue; // the tick's index reports it
        }
        const std::optional<QDate> day = timetext::exactDate(r.dateText);
        if (!day)
            continue;
        const QDateTime at = localAt(*day, *time, before);
        if (within(at, after, before) && !done(reminderKey(r.reminderId, at)))
            plan.reminders.append({at, i, r.reminderId});
    }
    std::stable_sort(plan.reminders.begin(), plan.reminders.end(),
                     [](const auto& a, const auto& b) { return a.due < b.due; });

    QList<CatchUpPlan::Action> due;
    for (const QString& id : ids) {
        const QString section = ActionStore::sectionName(id);
        const QDateTime at = latestDue(config, section, after, before);
        if (at.isValid() && !done(actionKey(id, at)))
            due.append({at, id, section});
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const auto& a, const auto& b) { return a.due < b.due; });

    for (const CatchUpPlan::Action& action : std::as_const(due)) {
        const QString type = config.readString(action.section, u"Action", QStringLiteral("0"));
        const qint64 lateSeconds = action.due.secsTo(now);
        QString why;
        if (type == u"0" || type == u"1") {
            if (graceMinutes > 0 && lateSeconds <= qint64(graceMinutes) * 60) {
                plan.perform.append(action);
                continue;
            }
            why = graceMinutes > 0
                      ? QStringLiteral("Опоздание больше %1 мин.").arg(graceMinutes)
                      : QStringLiteral("Пропущенные звуки и файлы не выполняются с опозданием.");
        } else if (type == u"2") {
            why = QStringLiteral("Компьютер не перезагружают с опозданием.");
        } else if (type == u"3") {
            why = QStringLiteral("Из системы не выходят с опозданием.");
        } else if (type == u"4") {
            why = QStringLiteral("Компьютер не выключают с опозданием.");
        } else {
            continue; // an action the dispatch does nothing for
        }
        plan.missed.append({action.due, describeAction(config, action.section, programDir), why});
        plan.skipped.append(action);
    }
    return plan;
}

namespace {
QString secondText(const QDateTime& due)
{
    return timetext::dateToStr(due.date()) + u' ' + timetext::timeToStr(due.time());
}
} // namespace

QString CatchUp::actionKey(const QString& actionId, const QDateTime& due)
{
    return QStringLiteral("A\t%1\t%2").arg(actionId, secondText(due));
}

QString CatchUp::reminderKey(const QString& reminderId, const QDateTime& due)
{
    return QStringLiteral("R\t%1\t%2").arg(reminderId, secondText(due));
}

QString CatchUp::reminderHeading(const QDateTime& due)
{
    return QStringLiteral("Напоминание на %1 %2")
        .arg(timetext::timeToStr(due.time()), timetext::dateToStr(due.date()));
}

QString CatchUp::describeAction(const IniFile& config, const QString& section,
                                const QString& programDir)
{
    const QString type = config.readString(section, u"Action", QStringLiteral("0"));
    if (type == u"0" || type == u"1") {
        // The file the dispatch would have used.
        const QString path =
            config.readString(section, u"Path", paths::resolve(programDir, u"data\\music.mp3"));
        return type == u"0" ? QStringLiteral("Звук: %1").arg(path)
                            : QStringLiteral("Открыть: %1").arg(path);
    }
    if (type == u"2")
        return QStringLiteral("Перезагрузка компьютера");
    if (type == u"3")
        return QStringLiteral("Выход из системы");
    return QStringLiteral("Выключение компьютера");
}

} // namespace zentari
