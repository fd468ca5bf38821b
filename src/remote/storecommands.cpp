#include "storecommands.h"

#include "core/timetext.h"
#include "reminders/reminderstore.h"
#include "scheduler/actionediting.h"
#include "scheduler/actionstore.h"
#include "scheduler/shutdowntemplates.h"

#include <QDir>
#include <QFileInfo>

namespace zentari::remote {
namespace {

QString quoted(const QString& text)
{
    return QStringLiteral("«%1»").arg(text);
}

// The stores' own errors, as a remote caller gets them. Every value a caller
// can mend is checked before the store is asked, so what the store still
// throws is about its files: they could not be read whole, were kept locked,
// or could not be written.
template <typename Call> auto carriedOut(Call&& call)
{
    try {
        return call();
    } catch (const CommandError&) {
        throw;
    } catch (const Error& e) {
        throw CommandError(StoreFailed, e.message());
    }
}

[[noreturn]] void refuse(const QString& message)
{
    throw CommandError(BadArguments, message);
}

int periodicityOf(const PeriodChecks& checks)
{
    if (checks.chosenDays)
        return ChosenDays;
    if (checks.everyDay)
        return EveryDay;
    return Once;
}

} // namespace

StoreCommands::StoreCommands(ActionStore& actions, ReminderStore& reminders)
    : m_actions(actions), m_reminders(reminders)
{
}

QList<ActionEntry> StoreCommands::listActions()
{
    return carriedOut([this] {
        m_actions.openStore(); // conf.ini as it is now: another writer may have added sections
        m_actions.loadAll();
        const IniFile& config = m_actions.config();
        QList<ActionEntry> out;
        const auto& records = m_actions.records();
        out.reserve(records.size());
        for (qsizetype i = 0; i < records.size(); ++i) {
            const ActionRecord& r = records[i];
            ActionEntry e;
            e.id = r.id;
            bool ok = false;
            const int type = r.action.toInt(&ok);
            e.type = ok && type >= SoundFile && type <= Shutdown ? type : -1;
            e.path = r.path;
            e.date = r.date;
            e.time = r.time;
            const QString section = ActionStore::sectionName(r.id);
            e.periodicity = periodicityOf(ActionStore::storedPeriod(config, section));
            if (e.periodicity == ChosenDays) {
                const auto days = ActionStore::storedDays(config, section);
                for (int d = 0; d < 7; ++d) {
                    if (days[d])
                        e.weekdays.append(d + 1);
                }
            }
            out.append(e);
        }
        m_actions.clear();
        return out;
    });
}

QList<ReminderEntry> StoreCommands::listReminders()
{
    return carriedOut([this] {
        m_reminders.loadReminders();
        QList<ReminderEntry> out;
        const auto& records = m_reminders.records();
        out.reserve(records.size());
        for (qsizetype i = 0; i < records.size(); ++i) {
            const Reminder& r = records[i];
            out.append(ReminderEntry{r.reminderId, r.title, r.dateText, r.timeText});
        }
        return out;
    });
}

QString StoreCommands::listing()
{
    const QList<ActionEntry> actions = listActions();
    return remote::listing(actions, listReminders());
}

QString StoreCommands::addAction(const AddAction& request)
{
    const ActionFields fields{request.type, request.path, request.time, request.date};
    const QString problem = actionediting::fieldsProblem(
        fields, [](const QString& path) { return QFileInfo::exists(path); });
    if (!problem.isEmpty())
        refuse(problem);
    const PeriodicityChoice choice{request.periodicity, true, request.days};
    const ScheduledAction action = actionediting::toScheduledAction(fields, choice);
    return carriedOut([&] {
        m_actions.openStore();
        const QString id = m_actions.appendAction(action, true);
        m_actions.clear();
        return id;
    });
}

QString StoreCommands::addReminder(const AddReminder& request)
{
    for (const QString& problem :
         {ReminderStore::titleProblem(request.title), ReminderStore::textProblem(request.text)}) {
        if (!problem.isEmpty())
            refuse(problem);
    }
    const QString id = request.title + timetext::dateToStr(request.date);
    const bool added = carriedOut([&] {
        return m_reminders.addReminder(request.title, request.text, request.date, request.time);
    });
    if (!added)
        refuse(QStringLiteral("Напоминание %1 на %2 уже есть: у одного дня не бывает двух "
                              "напоминаний с одним названием.")
                   .arg(quoted(request.title), timetext::dateToStr(request.date)));
    return id;
}

void StoreCommands::removeAction(const QString& id)
{
    const bool removed = carriedOut([&] {
        m_actions.openStore();
        m_actions.loadAll();
        const QStringList ids = m_actions.records().column(&ActionRecord::id);
        const int position = int(ids.indexOf(id));
        const bool done = position >= 0 && m_actions.removeAt(position, id);
        m_actions.clear();
        return done;
    });
    if (!removed)
        refuse(QStringLiteral("Действия с кодом %1 нет.").arg(quoted(id)));
}

void StoreCommands::removeReminder(const QString& id)
{
    const bool removed = carriedOut([&] {
        m_reminders.loadReminders();
        const QStringList ids = m_reminders.records().column(&Reminder::reminderId);
        const int position = int(ids.indexOf(id));
        return position >= 0 && m_reminders.removeReminderAt(position, id);
    });
    if (!removed)
        refuse(QStringLiteral("Напоминания с кодом %1 нет.").arg(quoted(id)));
}

void StoreCommands::remove(const QString& id)
{
    QStringList actionIds;
    for (const ActionEntry& a : listActions())
        actionIds.append(a.id);
    QStringList reminderIds;
    for (const ReminderEntry& r : listReminders())
        reminderIds.append(r.id);
    const Removal removal = resolveRemoval(id, actionIds, reminderIds);
    if (!removal.kind)
        refuse(removal.message);
    if (*removal.kind == EntryKind::Action)
        removeAction(id);
    else
        removeReminder(id);
}

QString StoreCommands::startTemplate(int minutes, const QDateTime& now, const IniFile& config,
                                     Beeper& beeper)
{
    const ShutdownTemplate* t = templateForMinutes(minutes);
    if (!t)
        refuse(QStringLiteral("Нет шаблона выключения на %1 мин.").arg(minutes));
    return carriedOut([&] {
        m_actions.openStore();
        const QString id = runShutdownTemplate(
            *t, t->caption.toString(), now.time(), timetext::dateToStr(now.date()),
            timetext::timeToStr(now.time()), config, m_actions, beeper);
        m_actions.clear();
        return id;
    });
}

ParseResult actionFromCall(int type, const QString& path, const QString& date, const QString& time,
                           int periodicity, const QList<int>& weekdays)
{
    QStringList arguments{QStringLiteral("--action"), QString::number(type), date, time};
    if (type == SoundFile || type == AnyFile) {
        if (!path.isEmpty() && !QDir::isAbsolutePath(path))
            return {StartClock{},
                    QStringLiteral("Путь к файлу нужен полный, от корня: %1.").arg(quoted(path))};
        arguments.append(path);
    }
    switch (periodicity) {
    case Once:
        break;
    case EveryDay:
        arguments.append(QStringLiteral("--daily"));
        break;
    case ChosenDays: {
        QStringList days;
        for (int day : weekdays)
            days.append(QString::number(day));
        arguments << QStringLiteral("--days") << days.join(u',');
        break;
    }
    default:
        return {StartClock{},
                QStringLiteral("Периодичность — 1 (один раз), 2 (каждый день) или 3 (по дням "
                               "недели), а не %1.")
                    .arg(periodicity)};
    }
    return parseCommandLine(arguments, QDir::rootPath());
}

ParseResult reminderFromCall(const QString& title, const QString& text, const QString& date,
                             const QString& time)
{
    return parseCommandLine({QStringLiteral("--remind"), date, time, title, text},
                            QDir::rootPath());
}

} // namespace zentari::remote
