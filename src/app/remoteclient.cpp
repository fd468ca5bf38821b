#include "remoteclient.h"

#include "core/paths.h"
#include "core/timetext.h"
#include "platform/services.h"
#include "reminders/reminderstore.h"
#include "remote/dbustypes.h"
#include "remote/storecommands.h"
#include "scheduler/actionstore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <cstdio>
// Made from the interface's description, found on zentari_remote_dbus's include path.
#include <zentari1proxy.h>

namespace zentari::remote {
namespace {

using namespace std::chrono_literals;

// The clock answers at once; a clock that hangs must not hang a script for ever.
constexpr auto kCallTimeout = 10s;
// How long a clock that is starting or ending may keep commands waiting.
constexpr auto kRetryFor = 3s;

// What `--abort` says when the password window took the command over; the
// clock answers a hand-over with the same words.
const QString kPasswordAsked = QStringLiteral("Часы защищены паролем: введите его в окне часов.");

// The reply, or the clock's refusal as the command's CommandError.
template <typename Reply> Reply waited(Reply reply)
{
    reply.waitForFinished();
    if (reply.isError())
        throw CommandError(exitStatusForError(reply.error().name()), reply.error().message());
    return reply;
}

// RunningClock through the generated proxy on the session bus.
class BusService : public RunningClock
{
public:
    explicit BusService(std::chrono::milliseconds timeout)
        : m_bus(QDBusConnection::sessionBus()),
          m_proxy(kServiceName.toString(), kObjectPath.toString(), m_bus)
    {
        m_proxy.setTimeout(int(timeout.count()));
    }

    bool isRunning() override
    {
        if (!m_bus.isConnected() || !m_bus.interface())
            return false;
        const QDBusReply<bool> owned =
            m_bus.interface()->isServiceRegistered(kServiceName.toString());
        return owned.isValid() && owned.value();
    }
    qint64 processId() override
    {
        const QDBusReply<uint> pid = m_bus.interface()->servicePid(kServiceName.toString());
        return pid.isValid() ? qint64(pid.value()) : 0;
    }
    QList<ActionEntry> listActions() override { return waited(m_proxy.ListActions()).value(); }
    QList<ReminderEntry> listReminders() override
    {
        return waited(m_proxy.ListReminders()).value();
    }
    QString addAction(int type, const QString& path, const QString& date, const QString& time,
                      int periodicity, const QList<int>& weekdays) override
    {
        return waited(m_proxy.AddAction(type, path, date, time, periodicity, weekdays)).value();
    }
    QString addReminder(const QString& title, const QString& text, const QString& date,
                        const QString& time) override
    {
        return waited(m_proxy.AddReminder(title, text, date, time)).value();
    }
    void removeAction(const QString& id) override { waited(m_proxy.RemoveAction(id)); }
    void removeReminder(const QString& id) override { waited(m_proxy.RemoveReminder(id)); }
    QString startTemplate(int minutes) override
    {
        return waited(m_proxy.StartTemplate(minutes)).value();
    }
    bool abortShutdown() override { return waited(m_proxy.AbortShutdown()).value(); }
    void stopSound() override { waited(m_proxy.StopSound()); }
    void reloadOptions() override { waited(m_proxy.ReloadOptions()); }

private:
    QDBusConnection m_bus;
    Zentari1Proxy m_proxy;
};

// A template scheduled while no clock runs beeps nowhere: nobody sits at a
// clock to hear it.
class SilentBeeper : public Beeper
{
public:
    void beep(int, int) override {}
};

QList<int> weekdaysOf(const AddAction& action)
{
    QList<int> days;
    if (action.periodicity != ChosenDays)
        return days;
    for (int i = 0; i < 7; ++i) {
        if (action.days[i])
            days.append(i + 1);
    }
    return days;
}

QStringList idsOf(const auto& entries)
{
    QStringList ids;
    for (const auto& e : entries)
        ids.append(e.id);
    return ids;
}

Outcome refused(const CommandError& e)
{
    return {e.status(), {}, e.message()};
}

void print(const QString& text, FILE* stream)
{
    if (text.isEmpty())
        return;
    const QString line = text.endsWith(u'\n') ? text : text + u'\n';
    std::fputs(line.toUtf8().constData(), stream);
}

} // namespace

std::unique_ptr<RunningClock> sessionBusService(std::chrono::milliseconds callTimeout)
{
    return std::make_unique<BusService>(callTimeout);
}

InstanceFolderClock::InstanceFolderClock(const QString& programDir,
                                         std::chrono::milliseconds answerWait,
                                         const QString& runtimeDir)
    : m_instance(programDir, runtimeDir), m_answerWait(answerWait)
{
}

bool InstanceFolderClock::claim()
{
    if (!m_instance.claim())
        return false;
    // This process answers nobody: another command started meanwhile must
    // find nobody listening and wait for the lock, not hand itself over to
    // a process that would never reply.
    m_instance.stopListening();
    return true;
}

void InstanceFolderClock::release()
{
    m_instance.release();
}

SingleInstance::Delivery InstanceFolderClock::handOver(const QStringList& arguments,
                                                       SingleInstance::Answer& answer)
{
    return m_instance.handOver(arguments, m_answerWait, answer);
}

Outcome runOnService(const Request& request, RunningClock& service)
{
    struct Call
    {
        RunningClock& service;
        Outcome operator()(const ListEntries&) const
        {
            const QList<ActionEntry> actions = service.listActions();
            return {Done, listing(actions, service.listReminders()), {}};
        }
        Outcome operator()(const AddReminder& r) const
        {
            service.addReminder(r.title, r.text, timetext::dateToStr(r.date),
                                timetext::timeToStr(r.time));
            return {};
        }
        Outcome operator()(const AddAction& a) const
        {
            service.addAction(a.type, a.path, timetext::dateToStr(a.date),
                              timetext::timeToStr(a.time), a.periodicity, weekdaysOf(a));
            return {};
        }
        Outcome operator()(const RemoveEntry& r) const
        {
            const QStringList actionIds = idsOf(service.listActions());
            const Removal removal = resolveRemoval(r.id, actionIds, idsOf(service.listReminders()));
            if (!removal.kind)
                return {BadArguments, {}, removal.message};
            if (*removal.kind == EntryKind::Action)
                service.removeAction(r.id);
            else
                service.removeReminder(r.id);
            return {};
        }
        Outcome operator()(const StartTemplate& t) const
        {
            service.startTemplate(t.minutes);
            return {};
        }
        Outcome operator()(const AbortShutdown&) const
        {
            if (service.abortShutdown())
                return {};
            return {Done, {}, kPasswordAsked};
        }
        Outcome operator()(const StopSound&) const
        {
            service.stopSound();
            return {};
        }
        Outcome operator()(const ReloadOptions&) const
        {
            service.reloadOptions();
            return {};
        }
        Outcome operator()(const StartClock&) const { return {}; }
        Outcome operator()(const ShowHelp&) const { return {}; }
    };
    try {
        return std::visit(Call{service}, request);
    } catch (const CommandError& e) {
        return refused(e);
    }
}

Outcome runOnStores(const Request& request, const QString& programDir, const QDateTime& now)
{
    if (std::holds_alternative<AbortShutdown>(request))
        return {Done, {}, QStringLiteral("Часы не запущены: выход из системы не назначен.")};
    if (std::holds_alternative<StopSound>(request))
        return {Done, {}, QStringLiteral("Часы не запущены: звук не играет.")};
    if (std::holds_alternative<ReloadOptions>(request))
        return {}; // the clock reads conf.ini when it starts
    if (std::holds_alternative<StartClock>(request) || std::holds_alternative<ShowHelp>(request))
        return {};

    Outcome outcome;
    try {
        ActionStore actions(programDir);
        actions.openStore();
        ReminderStore reminders(programDir);
        // What a change cut short left behind is finished before anything is
        // read or written, as the clock does at its start.
        actions.completePendingChange();
        reminders.loadReminders();

        StoreCommands commands(actions, reminders);
        if (std::holds_alternative<ListEntries>(request)) {
            outcome.out = commands.listing();
        } else if (const auto* r = std::get_if<AddReminder>(&request)) {
            commands.addReminder(*r);
        } else if (const auto* a = std::get_if<AddAction>(&request)) {
            commands.addAction(*a);
        } else if (const auto* r = std::get_if<RemoveEntry>(&request)) {
            commands.remove(r->id);
        } else if (const auto* t = std::get_if<StartTemplate>(&request)) {
            SilentBeeper beeper;
            commands.startTemplate(t->minutes, now, actions.config(), beeper);
        }
        // A change cut short that could not be finished was set aside: said
        // once, whatever the command.
        QStringList notices{actions.takeNotice(), reminders.takeNotice()};
        notices.removeAll(QString());
        outcome.err = notices.join(u'\n');
    } catch (const CommandError& e) {
        return refused(e);
    } catch (const Error& e) {
        return {StoreFailed, {}, e.message()};
    }
    return outcome;
}

namespace {

// Whether the clock on the bus is this folder's; without the two process ids
// (a bus that will not tell) it is taken to be.
bool servesFolder(RunningClock& service, FolderClock& folder)
{
    const qint64 owner = service.processId();
    if (owner == 0)
        return true;
    return folder.holderPid() == owner;
}

} // namespace

Outcome runCommand(const Request& request, RunningClock& service, FolderClock& folder,
                   const QString& programDir, const QDateTime& now,
                   std::chrono::milliseconds retryFor)
{
    // A clock that is starting or ending holds the lock without listening
    // for a moment: asked again until it listens, or has ended.
    const QDeadlineTimer deadline(retryFor);
    SingleInstance::Answer answer;
    SingleInstance::Delivery delivery;
    for (;;) {
        if (service.isRunning() && servesFolder(service, folder))
            return runOnService(request, service);
        if (folder.claim()) {
            // Held throughout, so that no clock starts while the lists change
            // under it.
            Outcome outcome = runOnStores(request, programDir, now);
            folder.release();
            return outcome;
        }
        delivery = folder.handOver(toArguments(request), answer);
        if (delivery != SingleInstance::Delivery::NotDelivered || deadline.hasExpired())
            break;
        QThread::msleep(50);
    }
    switch (delivery) {
    case SingleInstance::Delivery::Answered:
        if (answer.status == Done && std::holds_alternative<ListEntries>(request))
            return {Done, answer.message, {}};
        return {answer.status, {}, answer.message};
    case SingleInstance::Delivery::NotDelivered:
        return {StoreFailed,
                {},
                QStringLiteral("Часы этой папки запущены, но команду не принимают: "
                               "повторите её через несколько секунд.")};
    case SingleInstance::Delivery::NoAnswer:
        break;
    }
    // It may have been carried out all the same: never sent twice.
    return {StoreFailed,
            {},
            QStringLiteral("Часы этой папки запущены, но не ответили: выполнена ли команда, "
                           "покажет --list.")};
}

std::optional<int> runCommandLine(int argc, char** argv, bool& takeOver)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    takeOver = false;
    // Qt's own options ("-platform offscreen") are the window system's, for
    // the clock itself.
    if (!arguments.isEmpty() && arguments[0].startsWith(u'-') && !arguments[0].startsWith(u"--") &&
        arguments[0] != u"-h")
        return std::nullopt;

    const QString command = argc > 0 ? QFileInfo(QString::fromLocal8Bit(argv[0])).fileName()
                                     : QStringLiteral("zentari");
    const ParseResult parsed = parseCommandLine(arguments, QDir::currentPath());
    if (!parsed.ok()) {
        print(parsed.message + u'\n' + helpHint(command), stderr);
        return BadArguments;
    }
    if (const auto* start = std::get_if<StartClock>(&parsed.request)) {
        takeOver = start->takeOver;
        return std::nullopt;
    }
    if (std::holds_alternative<ShowHelp>(parsed.request)) {
        print(helpText(command), stdout);
        return Done;
    }

    QCoreApplication app(argc, argv);
    registerDBusTypes();
    const std::unique_ptr<RunningClock> service = sessionBusService(kCallTimeout);
    const QString programDir = paths::programDir();
    InstanceFolderClock folder(programDir, kCallTimeout);
    const Outcome outcome = runCommand(parsed.request, *service, folder, programDir,
                                       QDateTime::currentDateTime(), kRetryFor);
    print(outcome.out, stdout);
    print(outcome.err, stderr);
    return outcome.status;
}

} // namespace zentari::remote
