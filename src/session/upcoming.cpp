#include "upcoming.h"

#include "core/error.h"
#include "core/timetext.h"
#include "reminders/reminderstore.h"
#include "scheduler/actiondispatcher.h"
#include "scheduler/actionstore.h"

#include <algorithm>
#include <optional>

namespace zentari::upcoming {

namespace {

// The local second of this date and time, or an invalid one when the clock
// never shows it (the hour skipped when summer time begins).
QDateTime localSecond(QDate date, QTime time)
{
    const QDateTime at(date, time);
    if (!at.isValid() || at.date() != date || at.time() != time)
        return {};
    return at;
}

QString read(const IniFile& config, const QString& section, QStringView key, const QString& def)
{
    return config.readString(section, key, def);
}

std::optional<QTime> storedTime(const IniFile& config, const QString& section)
{
    return timetext::exactTime(read(config, section, u"Time", QStringLiteral("00:00:01")));
}

} // namespace

int actionType(const IniFile& config, const QString& section)
{
    const QString code = read(config, section, u"Action", QStringLiteral("0"));
    for (int type = 0; type <= 4; ++type) {
        if (code == QString::number(type))
            return type;
    }
    return -1;
}

QDateTime nextOnce(const IniFile& config, const QString& section, const QDateTime& after)
{
    if (!ActionStore::storedPeriod(config, section).once)
        return {};
    const std::optional<QTime> time = storedTime(config, section);
    const std::optional<QDate> date =
        timetext::exactDate(read(config, section, u"Date", QStringLiteral("01.01.1901")));
    if (!time || !date)
        return {};
    const QDateTime due = localSecond(*date, *time);
    return due.isValid() && due > after ? due : QDateTime();
}

QDateTime nextRepeated(const IniFile& config, const QString& section, const QDateTime& after)
{
    const PeriodChecks period = ActionStore::storedPeriod(config, section);
    if (!period.everyDay && !period.chosenDays)
        return {};
    const std::optional<QTime> time = storedTime(config, section);
    if (!time)
        return {};
    std::array<bool, 7> days{};
    if (period.everyDay)
        days.fill(true);
    else
        days = ActionStore::storedDays(config, section);
    // Today's time may be past: a week and a day reach every weekday again.
    for (int ahead = 0; ahead <= 8; ++ahead) {
        const QDate day = after.date().addDays(ahead);
        if (!days[size_t(day.dayOfWeek() - 1)])
            continue;
        const QDateTime due = localSecond(day, *time);
        if (due.isValid() && due > after)
            return due;
    }
    return {};
}

QDateTime nextDue(const IniFile& config, const QString& section, const QDateTime& after)
{
    const QDateTime once = nextOnce(config, section, after);
    const QDateTime repeated = nextRepeated(config, section, after);
    if (!once.isValid())
        return repeated;
    if (!repeated.isValid())
        return once;
    return std::min(once, repeated);
}

qsizetype dispatchedCount(const DispatchSource& source)
{
    return std::min(source.actionCount(), source.actionIds().size());
}

QDateTime nextReminder(const ReminderStore& store, const QDateTime& after)
{
    QDateTime next;
    const RecordList<Reminder>& records = store.records();
    for (int i = 0; i < store.count(); ++i) {
        const Reminder& r = records[i];
        const std::optional<QDate> date = timetext::exactDate(r.dateText);
        if (!date || *date < after.date() || (next.isValid() && *date > next.date()))
            continue;
        // The firing compares times as values: "09:30:00" is "9:30:00".
        QTime time;
        try {
            time = timetext::strToTime(r.timeText);
        } catch (const ConvertError&) {
            continue;
        }
        const QDateTime due = localSecond(*date, time);
        if (due.isValid() && due > after && (!next.isValid() || due < next))
            next = due;
    }
    return next;
}

} // namespace zentari::upcoming
