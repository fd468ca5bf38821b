#pragma once

#include "recording.h"
#include "sleepservice.h"
#include "wakealarms.h"

namespace zentari {

// Records "inhibit" with the text, "uninhibit" and "sleep-ready" (the answer
// to a sleep notice) instead of talking to the system; the test makes the
// machine sleep, wake and have its clock set.
class RecordingSleepService : public SleepService
{
    Q_OBJECT
public:
    explicit RecordingSleepService(ActionLog& log, QObject* parent = nullptr)
        : SleepService(parent), m_log(log)
    {
    }

    void start() override { started = true; }
    void sleepWorkDone() override;
    void holdAwake(const QString& why) override;
    void releaseAwake() override;
    QString awakeReason() const override { return m_why; }
    void listShutdownBlockers(QObject* context,
                              std::function<void(const QList<ShutdownBlocker>&)> done) override;

    void simulateSleep();
    void simulateResume() { Q_EMIT resumed(); }
    void simulateClockSet() { Q_EMIT clockSet(); }
    // True from simulateSleep() until the clock answers it.
    bool waitingForSleepWork() const { return m_waiting; }

    bool started = false;
    QList<ShutdownBlocker> blockers; // what listShutdownBlockers() answers

private:
    ActionLog& m_log;
    QString m_why;
    bool m_waiting = false;
};

// Records "wake" with each wake time ("yyyy-MM-dd HH:mm:ss", in order; none
// for an empty list) whenever the times change, and "wake-stop", instead of
// arming anything: the dry-run mode never wakes the machine.
class RecordingWakeAlarms : public WakeAlarms
{
    Q_OBJECT
public:
    explicit RecordingWakeAlarms(ActionLog& log, QObject* parent = nullptr)
        : WakeAlarms(parent), m_log(log)
    {
    }

    void setWakeTimes(const QList<QDateTime>& times) override;
    void stop() override;

    // When not empty, the first setWakeTimes() after start or stop() is
    // refused with this reason, as a machine without a wake clock would.
    QString refusal;

private:
    ActionLog& m_log;
    QList<QDateTime> m_times;
    bool m_active = false;
    bool m_refused = false;
};

} // namespace zentari
