#include "sleep_logind.h"

#include "wallclockwatch_linux.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace zentari {

namespace {

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString login1Path = QStringLiteral("/org/freedesktop/login1");
const QString login1Manager = QStringLiteral("org.freedesktop.login1.Manager");
const QString who = QStringLiteral("Zentari");

const QString gnome = QStringLiteral("org.gnome.SessionManager");
const QString gnomePath = QStringLiteral("/org/gnome/SessionManager");
// GNOME's inhibitor flag for suspending: the screen may still blank.
constexpr quint32 gnomeInhibitSuspend = 4;
const QString screenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString screenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Our own descriptor of the lock: the reply's copies close with the reply,
// and no program the clock starts inherits the lock.
int ownLockFd(QDBusPendingCallWatcher* watcher)
{
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
    if (reply.isError() || !reply.value().isValid())
        return -1;
    return ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 3);
}

bool isAbsent(const QDBusError& error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoReply:
    case QDBusError::NoServer:
    case QDBusError::Disconnected:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return true;
    default:
        return false;
    }
}

} // namespace

LogindSleepService::LogindSleepService(QObject* parent) : SleepService(parent)
{
    m_sleepWorkTimeout.setSingleShot(true);
    m_sleepWorkTimeout.setInterval(sleepWorkTimeoutMs);
    connect(&m_sleepWorkTimeout, &QTimer::timeout, this, &LogindSleepService::sleepWorkDone);
}

LogindSleepService::LogindSleepService(QDBusConnection system, QDBusConnection session,
                                       QObject* parent)
    : LogindSleepService(parent)
{
    m_system = std::move(system);
    m_session = std::move(session);
}

LogindSleepService::~LogindSleepService()
{
    closeFd(m_delayFd);
    closeFd(m_awakeFd);
    releaseSessionInhibitor();
}

QDBusConnection LogindSleepService::systemBus() const
{
    return m_system ? *m_system : QDBusConnection::systemBus();
}

QDBusConnection LogindSleepService::sessionBus() const
{
    return m_session ? *m_session : QDBusConnection::sessionBus();
}

void LogindSleepService::start()
{
    if (m_started)
        return;
    m_started = true;

    m_wallClock = new WallClockWatch(this);
    connect(m_wallClock, &WallClockWatch::clockSet, this, &SleepService::clockSet);

    QDBusConnection bus = systemBus();
    if (!bus.isConnected()) {
        report(QStringLiteral("Часы не узнают о сне и пробуждении компьютера: нет связи с "
                              "системной шиной D-Bus."));
        return;
    }
    bus.connect(login1, login1Path, login1Manager, QStringLiteral("PrepareForSleep"), this,
                SLOT(onPrepareForSleep(bool)));
    auto* watcher =
        new QDBusServiceWatcher(login1, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
            &LogindSleepService::onLogindStarted);
    takeDelayLock();
}

QDBusPendingCallWatcher* LogindSleepService::callAsync(QDBusConnection bus, const QString& service,
                                                       const QString& path,
                                                       const QString& interface,
                                                       const QString& method,
                                                       const QVariantList& args)
{
    // A call on a connection that never was yields no answer at all: an
    // error stands in for it, so that every watcher finishes.
    if (!bus.isConnected())
        return new QDBusPendingCallWatcher(
            QDBusPendingCall::fromError(
                QDBusError(QDBusError::Disconnected, bus.lastError().message())),
            this);
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    return new QDBusPendingCallWatcher(bus.asyncCall(message, callTimeoutMs), this);
}

QDBusPendingCallWatcher* LogindSleepService::inhibit(const QString& what, const QString& why,
                                                     const QString& mode)
{
    return callAsync(systemBus(), login1, login1Path, login1Manager, QStringLiteral("Inhibit"),
                     {what, who, why, mode});
}

void LogindSleepService::takeDelayLock()
{
    if (m_delayFd >= 0 || m_delayRequested)
        return;
    m_delayRequested = true;
    QDBusPendingCallWatcher* watcher =
        inhibit(QStringLiteral("sleep"),
                QStringLiteral("Часы сохраняют своё состояние и будильник перед сном"),
                QStringLiteral("delay"));
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        m_delayRequested = false;
        if (w->isError()) {
            reportUnavailable(w->error());
            return;
        }
        int fd = ownLockFd(w);
        // Granted while the machine goes to sleep: taken again at resume.
        if (m_asleep || m_delayFd >= 0)
            closeFd(fd);
        else
            m_delayFd = fd;
    });
}

void LogindSleepService::onPrepareForSleep(bool starting)
{
    if (starting) {
        m_asleep = true;
        m_waitingForWork = true;
        m_sleepWorkTimeout.start();
        Q_EMIT aboutToSleep();
        return;
    }
    // A sleep called off before the clock answered ends the wait all the same.
    sleepWorkDone();
    m_asleep = false;
    takeDelayLock();
    Q_EMIT resumed();
}

void LogindSleepService::sleepWorkDone()
{
    if (!m_waitingForWork)
        return;
    m_waitingForWork = false;
    m_sleepWorkTimeout.stop();
    closeFd(m_delayFd);
}

// A logind that (re)started knows none of the locks held: the descriptors
// lead nowhere, and everything is asked for again.
void LogindSleepService::onLogindStarted()
{
    closeFd(m_delayFd);
    m_asleep = false;
    m_waitingForWork = false;
    m_sleepWorkTimeout.stop();
    takeDelayLock();
    if (!m_awakeWhy.isEmpty()) {
        ++m_awakeGeneration;
        closeFd(m_awakeFd);
        takeLogindAwakeLock();
    }
}

void LogindSleepService::holdAwake(const QString& why)
{
    if (why.isEmpty() || why == m_awakeWhy)
        return;
    m_awakeWhy = why;
    ++m_awakeGeneration;
    // The old locks stay until the new ones are granted: no moment unguarded.
    takeLogindAwakeLock();
    takeSessionInhibitor(SessionInhibitor::Gnome);
}

void LogindSleepService::takeLogindAwakeLock()
{
    const quint64 generation = m_awakeGeneration;
    QDBusPendingCallWatcher* watcher =
        inhibit(QStringLiteral("sleep:idle"), m_awakeWhy, QStringLiteral("block"));
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                int fd = ownLockFd(w);
                if (generation != m_awakeGeneration) {
                    closeFd(fd);
                    return;
                }
                if (fd >= 0) {
                    closeFd(m_awakeFd);
                    m_awakeFd = fd;
                }
            });
}

// GNOME's session manager where it runs (it keeps the screen free to blank);
// else the freedesktop screen saver, which other desktops' power managers
// honour for their idle suspend.
void LogindSleepService::takeSessionInhibitor(SessionInhibitor kind)
{
    const quint64 generation = m_awakeGeneration;
    QDBusPendingCallWatcher* watcher =
        kind == SessionInhibitor::Gnome
            ? callAsync(sessionBus(), gnome, gnomePath, gnome, QStringLiteral("Inhibit"),
                        {QStringLiteral("zentari"), quint32(0), m_awakeWhy, gnomeInhibitSuspend})
            : callAsync(sessionBus(), screenSaver, screenSaverPath, screenSaver,
                        QStringLiteral("Inhibit"), {who, m_awakeWhy});
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation, kind](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<quint32> reply = *w;
                if (reply.isError()) {
                    if (kind == SessionInhibitor::Gnome && generation == m_awakeGeneration)
                        takeSessionInhibitor(SessionInhibitor::ScreenSaver);
                    return;
                }
                const SessionHold granted{kind, reply.value()};
                if (generation != m_awakeGeneration) {
                    uninhibit(granted);
                    return;
                }
                releaseSessionInhibitor();
                m_sessionHold = granted;
            });
}

void LogindSleepService::releaseSessionInhibitor()
{
    if (!m_sessionHold)
        return;
    uninhibit(*m_sessionHold);
    m_sessionHold.reset();
}

void LogindSleepService::uninhibit(SessionHold hold)
{
    QDBusMessage message =
        hold.kind == SessionInhibitor::Gnome
            ? QDBusMessage::createMethodCall(gnome, gnomePath, gnome, QStringLiteral("Uninhibit"))
            : QDBusMessage::createMethodCall(screenSaver, screenSaverPath, screenSaver,
                                             QStringLiteral("UnInhibit"));
    message.setArguments({hold.cookie});
    // No answer is awaited: a session manager that is gone has let go already.
    sessionBus().send(message);
}

void LogindSleepService::releaseAwake()
{
    if (m_awakeWhy.isEmpty())
        return;
    m_awakeWhy.clear();
    ++m_awakeGeneration;
    closeFd(m_awakeFd);
    releaseSessionInhibitor();
}

void LogindSleepService::listShutdownBlockers(
    QObject* context, std::function<void(const QList<ShutdownBlocker>&)> done)
{
    QDBusPendingCallWatcher* watcher =
        callAsync(systemBus(), login1, login1Path, login1Manager, QStringLiteral("ListInhibitors"));
    connect(watcher, &QDBusPendingCallWatcher::finished, context ? context : this,
            [done = std::move(done)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                QList<ShutdownBlocker> blockers;
                const QDBusMessage reply = w->reply();
                if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                    const auto list = reply.arguments().constFirst().value<QDBusArgument>();
                    list.beginArray();
                    while (!list.atEnd()) {
                        QString what, holder, why, mode;
                        quint32 uid = 0, pid = 0;
                        list.beginStructure();
                        list >> what >> holder >> why >> mode >> uid >> pid;
                        list.endStructure();
                        // Delay locks only postpone; our own never stands in the way.
                        if (mode == QLatin1String("block") &&
                            what.split(u':').contains(QLatin1String("shutdown")) &&
                            pid != quint32(::getpid()))
                            blockers.append({holder, why});
                    }
                    list.endArray();
                }
                done(blockers);
            });
}

void LogindSleepService::reportUnavailable(const QDBusError& error)
{
    if (isAbsent(error))
        report(QStringLiteral("Часы не узнают о сне и пробуждении компьютера: служба "
                              "systemd-logind недоступна."));
    else
        report(QStringLiteral("Часы не узнают о сне и пробуждении компьютера: служба "
                              "systemd-logind отказала (%1).")
                   .arg(error.message()));
}

void LogindSleepService::report(const QString& reason)
{
    if (m_reported)
        return;
    m_reported = true;
    Q_EMIT unavailable(reason);
}

} // namespace zentari
