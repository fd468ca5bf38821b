#include "fakeclock.h"

#include "core/error.h"
#include "core/timetext.h"
#include "remote/commandline.h"

using namespace zentari;
using namespace zentari::remote;

namespace {

QString joined(const QVariantList& values)
{
    QStringList out;
    for (const QVariant& v : values)
        out.append(v.toString());
    return out.join(u'|');
}

} // namespace

QList<ActionEntry> FakeClock::ListActions()
{
    calls.append(QStringLiteral("ListActions"));
    return actions;
}

QString FakeClock::AddAction(int type, const QString& path, const QString& date,
                             const QString& time, int periodicity, const QList<int>& weekdays)
{
    QStringList days;
    for (int d : weekdays)
        days.append(QString::number(d));
    calls.append(QStringLiteral("AddAction|") +
                 joined({type, path, date, time, periodicity, days.join(u',')}));
    try {
        const QString id = timetext::dateToStr(timetext::strToDate(date)) + u' ' +
                           timetext::timeToStr(timetext::strToTime(time));
        actions.append({id, type, path, timetext::dateToStr(timetext::strToDate(date)),
                        timetext::timeToStr(timetext::strToTime(time)), periodicity, weekdays});
        Q_EMIT ListsChanged();
        return id;
    } catch (const ConvertError& e) {
        sendErrorReply(kRefusedError.toString(), e.message());
        return {};
    }
}

void FakeClock::RemoveAction(const QString& id)
{
    calls.append(QStringLiteral("RemoveAction|") + id);
    if (actions.removeIf([&](const ActionEntry& a) { return a.id == id; }) == 0)
        sendErrorReply(kRefusedError.toString(),
                       QStringLiteral("Нет действия с кодом «%1».").arg(id));
}

QList<ReminderEntry> FakeClock::ListReminders()
{
    calls.append(QStringLiteral("ListReminders"));
    return reminders;
}

QString FakeClock::AddReminder(const QString& title, const QString& text, const QString& date,
                               const QString& time)
{
    calls.append(QStringLiteral("AddReminder|") + joined({title, text, date, time}));
    try {
        const QString day = timetext::dateToStr(timetext::strToDate(date));
        reminders.append({title + day, title, day, timetext::timeToStr(timetext::strToTime(time))});
        return title + day;
    } catch (const ConvertError& e) {
        sendErrorReply(kRefusedError.toString(), e.message());
        return {};
    }
}

void FakeClock::RemoveReminder(const QString& id)
{
    calls.append(QStringLiteral("RemoveReminder|") + id);
}

QString FakeClock::StartTemplate(int minutes)
{
    calls.append(QStringLiteral("StartTemplate|") + QString::number(minutes));
    if (std::find(kTemplateMinutes.begin(), kTemplateMinutes.end(), minutes) ==
        kTemplateMinutes.end()) {
        sendErrorReply(kRefusedError.toString(), QStringLiteral("Такого шаблона нет."));
        return {};
    }
    return QStringLiteral("07.12.2026 10:00:00");
}

bool FakeClock::AbortShutdown()
{
    calls.append(QStringLiteral("AbortShutdown"));
    return false; // as with protection on: the password window opened instead
}

void FakeClock::StopSound()
{
    calls.append(QStringLiteral("StopSound"));
}

void FakeClock::ShowClock()
{
    calls.append(QStringLiteral("ShowClock"));
}

bool FakeClock::ShowSettings()
{
    calls.append(QStringLiteral("ShowSettings"));
    return true;
}

bool FakeClock::Quit()
{
    calls.append(QStringLiteral("Quit"));
    return true;
}

void FakeClock::ReloadOptions()
{
    calls.append(QStringLiteral("ReloadOptions"));
    sendErrorReply(kStoreFailedError.toString(), QStringLiteral("Файл «conf.ini» не читается."));
}
