#include "clockservice.h"

#include "app/clockdesktop.h"
#include "app/clockwindow.h"
#include "app/closeguard.h"
#include "core/paths.h"
#include "core/timetext.h"
#include "platform/errorreport.h"
#include "platform/singleinstance.h"
#include "scheduler/shutdowntemplates.h"
#include "session/clocksession.h"
#include <zentariadaptor.h> // made from the interface description in the build folder

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace zentari {
namespace {

using namespace remote;

// What a later start ends with: its exit status and what it prints.
struct Outcome
{
    int status = Done;
    QString message;
};

// How long a quitting clock waits for the bus to carry its reply away.
constexpr int kQuitDelayMs = 100;

const QString kPasswordNote = QStringLiteral("Часы защищены паролем: введите его в окне часов.");

} // namespace

ClockService::ClockService(TForm1& clock, ClockSession& session, const Services& services,
                           ErrorReport& report, QObject* parent)
    : QObject(parent), m_clock(clock), m_session(session), m_services(services), m_report(report),
      m_actions(session.programDir()), m_commands(m_actions, session.reminders())
{
    registerDBusTypes();
    new ZentariAdaptor(this); // owned by this object; relays its signals onto the bus

    m_session.onActionPerformed = [this](const QString& id, int type) {
        Q_EMIT ActionPerformed(id, type);
    };
    m_session.onReminderShown = [this](const QString& id, const QString& title) {
        Q_EMIT ReminderShown(id, title);
    };

    // Whoever changes the lists (an editor, `zentari`, another program)
    // replaces files in data/; one change replaces several.
    m_listsChanged.setSingleShot(true);
    m_listsChanged.setInterval(200);
    m_listsSeen = listsSignature();
    connect(&m_listsChanged, &QTimer::timeout, this, [this] {
        // Other files live in data/ too; only a change of the lists is told.
        const QString now = listsSignature();
        if (now == m_listsSeen)
            return;
        m_listsSeen = now;
        Q_EMIT ListsChanged();
    });
    m_watcher = new QFileSystemWatcher(this);
    m_watcher->addPath(QDir(session.programDir()).filePath(QStringLiteral("data")));
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
            [this] { m_listsChanged.start(); });
}

QString ClockService::listsSignature() const
{
    static constexpr QStringView kLists[] = {
        u"1Actions.zdt", u"1Paths.zdt", u"1Times.zdt", u"1Dates.zdt", u"1Ids.zdt",
        u"Titles.zdt",   u"Messes.zdt", u"Times.zdt",  u"Dates.zdt",  u"IDs.zdt"};
    const QDir data(QDir(m_session.programDir()).filePath(QStringLiteral("data")));
    QString out;
    for (QStringView name : kLists) {
        const QFileInfo info(data.filePath(name.toString()));
        out += QStringLiteral("%1:%2:%3;")
                   .arg(info.size())
                   .arg(info.lastModified().toMSecsSinceEpoch())
                   .arg(info.exists()
                            ? info.fileTime(QFileDevice::FileMetadataChangeTime).toMSecsSinceEpoch()
                            : 0);
    }
    return out;
}

ClockService::~ClockService()
{
    m_session.onActionPerformed = nullptr;
    m_session.onReminderShown = nullptr;
}

QString ClockService::exportOnSessionBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return QStringLiteral("Нет сеансовой шины D-Bus: управлять часами можно только из "
                              "командной строки.");
    if (!bus.registerObject(kObjectPath.toString(), this))
        return QStringLiteral("Объект часов на шине D-Bus уже занят.");
    // Queued rather than refused: the clock that a forbidden close restarts
    // asks while the bus may still hold the name for the one that just ended,
    // and a clock of another program folder gets the name when the first ends.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(kServiceName.toString(),
                                         QDBusConnectionInterface::QueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid())
        return QStringLiteral("Имя %1 на шине D-Bus не получено: %2")
            .arg(kServiceName.toString(), reply.error().message());
    return {};
}

template <typename Call> auto ClockService::serve(Call&& call) -> decltype(call())
{
    // Nothing a caller sends may end the clock: whatever a call throws
    // becomes its error reply. Called from here (a later start's command),
    // the caller catches.
    if (!calledFromDBus())
        return call();
    const auto fail = [this](int status, const QString& message) {
        sendErrorReply(status == BadArguments ? kRefusedError.toString()
                                              : kStoreFailedError.toString(),
                       message);
    };
    try {
        return call();
    } catch (const CommandError& e) {
        fail(e.status(), e.message());
    } catch (const Error& e) {
        fail(StoreFailed, e.message());
    } catch (const std::exception& e) {
        fail(StoreFailed, QString::fromLocal8Bit(e.what()));
    }
    if constexpr (!std::is_void_v<decltype(call())>)
        return {};
}

void ClockService::changed()
{
    m_session.reloadActionLists();
    m_listsChanged.start();
}

bool ClockService::protectedCommand(void (TForm1::*command)())
{
    const bool open = !m_clock.closeGuard().protectionOn();
    // After the reply: the password window runs its own loop until the user answers.
    QTimer::singleShot(open && command == &TForm1::N5Click ? kQuitDelayMs : 0, &m_clock,
                       [this, command] { m_report.guard([&] { (m_clock.*command)(); }); });
    return open;
}

QList<ActionEntry> ClockService::ListActions()
{
    return serve([this] { return m_commands.listActions(); });
}

QString ClockService::AddAction(int type, const QString& path, const QString& date,
                                const QString& time, int periodicity, const QList<int>& weekdays)
{
    return serve([&] {
        const ParseResult parsed = actionFromCall(type, path, date, time, periodicity, weekdays);
        if (!parsed.ok())
            throw CommandError(BadArguments, parsed.message);
        const QString id = m_commands.addAction(std::get<remote::AddAction>(parsed.request));
        changed();
        return id;
    });
}

void ClockService::RemoveAction(const QString& id)
{
    serve([&] {
        m_commands.removeAction(id);
        changed();
    });
}

QList<ReminderEntry> ClockService::ListReminders()
{
    return serve([this] { return m_commands.listReminders(); });
}

QString ClockService::AddReminder(const QString& title, const QString& text, const QString& date,
                                  const QString& time)
{
    return serve([&] {
        const ParseResult parsed = reminderFromCall(title, text, date, time);
        if (!parsed.ok())
            throw CommandError(BadArguments, parsed.message);
        const QString id = m_commands.addReminder(std::get<remote::AddReminder>(parsed.request));
        changed();
        return id;
    });
}

void ClockService::RemoveReminder(const QString& id)
{
    serve([&] {
        m_commands.removeReminder(id);
        changed();
    });
}

QString ClockService::StartTemplate(int minutes)
{
    return serve([&] { return startTemplate(minutes); });
}

QString ClockService::startTemplate(int minutes)
{
    const ShutdownTemplate* t = templateForMinutes(minutes);
    if (!t)
        throw CommandError(BadArguments,
                           QStringLiteral("Нет шаблона выключения на %1 мин.").arg(minutes));
    // As the menu item does it, with the menu's caption; the time is read
    // afresh, as the clock's labels are empty until its first tick.
    try {
        const QDateTime now = m_services.clock->now();
        const QString id =
            m_session.runTemplate(t->itemName, m_clock.desktop().templateCaption(t->itemName),
                                  timetext::dateToStr(now.date()), timetext::timeToStr(now.time()));
        m_listsChanged.start();
        return id;
    } catch (const Error& e) {
        throw CommandError(StoreFailed, e.message());
    }
}

bool ClockService::AbortShutdown()
{
    return protectedCommand(&TForm1::N3Click);
}

void ClockService::StopSound()
{
    serve([this] { m_clock.N1Click(); });
}

void ClockService::ShowClock()
{
    m_clock.showMainWindow();
    m_clock.raise();
    m_clock.activateWindow();
}

bool ClockService::ShowSettings()
{
    return protectedCommand(&TForm1::ConfigureClick);
}

bool ClockService::Quit()
{
    return protectedCommand(&TForm1::N5Click);
}

void ClockService::ReloadOptions()
{
    serve([this] { m_clock.reloadOptions(); });
}

void ClockService::answer(InstanceRequest* request)
{
    const ParseResult parsed = parseCommandLine(request->arguments(), QDir::rootPath());
    if (!parsed.ok())
        return request->answer(BadArguments, parsed.message);

    const auto done = [](QString message = {}) { return Outcome{Done, std::move(message)}; };
    const auto gated = [&](bool carriedOut) { return carriedOut ? done() : done(kPasswordNote); };
    struct Visitor
    {
        ClockService& s;
        decltype(done)& ok;
        decltype(gated)& gate;
        Outcome operator()(const StartClock&) const
        {
            s.ShowClock();
            return ok();
        }
        Outcome operator()(const ShowHelp&) const
        {
            return ok(helpText(QStringLiteral("zentari")));
        }
        Outcome operator()(const remote::AddReminder& r) const
        {
            s.m_commands.addReminder(r);
            s.changed();
            return ok();
        }
        Outcome operator()(const remote::AddAction& r) const
        {
            s.m_commands.addAction(r);
            s.changed();
            return ok();
        }
        Outcome operator()(const remote::StartTemplate& r) const
        {
            s.startTemplate(r.minutes);
            return ok();
        }
        Outcome operator()(const remote::AbortShutdown&) const { return gate(s.AbortShutdown()); }
        Outcome operator()(const remote::StopSound&) const
        {
            s.StopSound();
            return ok();
        }
        Outcome operator()(const ListEntries&) const { return ok(s.m_commands.listing()); }
        Outcome operator()(const RemoveEntry& r) const
        {
            s.m_commands.remove(r.id);
            s.changed();
            return ok();
        }
        Outcome operator()(const remote::ReloadOptions&) const
        {
            s.ReloadOptions();
            return ok();
        }
    };
    Outcome outcome;
    try {
        outcome = std::visit(Visitor{*this, done, gated}, parsed.request);
    } catch (const CommandError& e) {
        outcome = {e.status(), e.message()};
    } catch (const std::exception& e) {
        // Nothing a later start hands over may end the clock.
        const auto* error = dynamic_cast<const Error*>(&e);
        outcome = {StoreFailed, error ? error->message() : QString::fromLocal8Bit(e.what())};
    }
    request->answer(outcome.status, outcome.message);
}

} // namespace zentari
