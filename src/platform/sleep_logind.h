#pragma once

#include "platform/sleepservice.h"

#include <QDBusConnection>
#include <QTimer>
#include <optional>

class QDBusError;
class QDBusPendingCallWatcher;

namespace zentari {

class WallClockWatch;

// Sleep and resume from systemd-logind's PrepareForSleep on the system bus,
// with a "delay" inhibitor lock held while awake so that the clock can finish
// its pre-sleep work; a "block" lock on sleep and idle for holdAwake(), and
// the desktop session's own idle-suspend inhibitor (GNOME's session manager,
// or else org.freedesktop.ScreenSaver) beside it; the wall clock watched by
// WallClockWatch. Every D-Bus call is asynchronous with a short time-out: the
// clock's thread never waits on the bus. A logind that starts or restarts
// later is noticed and its locks taken again.
class LogindSleepService : public SleepService
{
    Q_OBJECT
public:
    // On the process's system and session buses.
    explicit LogindSleepService(QObject* parent = nullptr);
    LogindSleepService(QDBusConnection system, QDBusConnection session, QObject* parent = nullptr);
    ~LogindSleepService() override;

    void start() override;
    void sleepWorkDone() override;
    void holdAwake(const QString& why) override;
    void releaseAwake() override;
    QString awakeReason() const override { return m_awakeWhy; }
    void listShutdownBlockers(QObject* context,
                              std::function<void(const QList<ShutdownBlocker>&)> done) override;

    // Whether the delay lock is held now (it is, while awake, once logind granted it).
    bool holdsSleepDelay() const { return m_delayFd >= 0; }

    static constexpr int callTimeoutMs = 2500;
    // logind waits InhibitDelayMaxSec (5 s unless configured) for the delay
    // lock; an unanswered notice lets go of it a little sooner.
    static constexpr int sleepWorkTimeoutMs = 4000;

private Q_SLOTS:
    void onPrepareForSleep(bool starting);

private:
    enum class SessionInhibitor
    {
        Gnome,
        ScreenSaver
    };

    void takeDelayLock();
    void takeLogindAwakeLock();
    struct SessionHold
    {
        SessionInhibitor kind;
        quint32 cookie;
    };

    void takeSessionInhibitor(SessionInhibitor kind);
    void releaseSessionInhibitor();
    void uninhibit(SessionHold hold);
    void onLogindStarted();
    void reportUnavailable(const QDBusError& error);
    void report(const QString& reason);
    QDBusPendingCallWatcher* inhibit(const QString& what, const QString& why, const QString& mode);
    QDBusPendingCallWatcher* callAsync(QDBusConnection bus, const QString& service,
                                       const QString& path, const QString& interface,
                                       const QString& method, const QVariantList& args = {});
    QDBusConnection systemBus() const;
    QDBusConnection sessionBus() const;

    std::optional<QDBusConnection> m_system;
    std::optional<QDBusConnection> m_session;
    WallClockWatch* m_wallClock = nullptr;
    bool m_started = false;
    bool m_reported = false;

    int m_delayFd = -1;
    bool m_delayRequested = false; // an Inhibit call for it is on its way
    bool m_asleep = false;         // between PrepareForSleep(true) and (false)
    bool m_waitingForWork = false; // aboutToSleep() not answered yet
    QTimer m_sleepWorkTimeout;

    QString m_awakeWhy;
    // Counts holdAwake() and releaseAwake() calls, so that a late answer for
    // a text no longer wanted is let go of at once.
    quint64 m_awakeGeneration = 0;
    int m_awakeFd = -1;
    std::optional<SessionHold> m_sessionHold;
};

} // namespace zentari
