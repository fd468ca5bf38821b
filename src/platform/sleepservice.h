#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

// What the clock learns of the machine's sleep and of its wall clock, and how
// it keeps the machine awake for a pending power action. The Linux back end
// is LogindSleepService (sleep_logind.h); RecordingSleepService
// (sleeprecording.h) stands in for it in tests.
namespace zentari {

// Another program's lock that holds off a shutdown, as the 50-second warning
// names it.
struct ShutdownBlocker
{
    QString who;
    QString why;
    friend bool operator==(const ShutdownBlocker&, const ShutdownBlocker&) = default;
};

class SleepService : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts listening for sleep and clock changes. Signals come only after it.
    virtual void start() = 0;

    // The answer to aboutToSleep(): the clock has saved what it must, the
    // machine may go to sleep now. Harmless when nothing waits for it.
    virtual void sleepWorkDone() = 0;

    // Keeps the machine from sleeping, by itself or by the user's idle
    // settings, until releaseAwake(); `why` is shown to the user by the
    // desktop (e.g. "Выключение компьютера в 23:30:00"). Holding again with
    // another text replaces the lock; with the same or an empty text it
    // changes nothing.
    virtual void holdAwake(const QString& why) = 0;
    virtual void releaseAwake() = 0;
    // The text held, or empty when the machine is not held awake.
    virtual QString awakeReason() const = 0;

    // Calls `done` (never before returning; not at all once `context`, or
    // the service itself when it is null, is gone) with the other programs
    // that hold off a shutdown now: an empty list when none, or when that
    // cannot be learned.
    virtual void listShutdownBlockers(QObject* context,
                                      std::function<void(const QList<ShutdownBlocker>&)> done) = 0;

Q_SIGNALS:
    // The machine is about to sleep: the clock does its pre-sleep work and
    // then calls sleepWorkDone(). The system waits a few seconds at most.
    void aboutToSleep();
    // The machine has woken up.
    void resumed();
    // Someone set the wall clock (by hand, or a time server's step).
    void clockSet();
    // Sleep cannot be noticed here: once, with the reason in Russian, for the
    // clock to report if it wishes. Everything else then quietly does nothing.
    void unavailable(const QString& reason);
};

} // namespace zentari
