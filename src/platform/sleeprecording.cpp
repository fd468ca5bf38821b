#include "sleeprecording.h"

#include <QTimer>
#include <algorithm>

namespace zentari {

void RecordingSleepService::sleepWorkDone()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    m_log.append({QStringLiteral("sleep-ready")});
}

void RecordingSleepService::holdAwake(const QString& why)
{
    if (why.isEmpty() || why == m_why)
        return;
    m_why = why;
    m_log.append({QStringLiteral("inhibit"), why});
}

void RecordingSleepService::releaseAwake()
{
    if (m_why.isEmpty())
        return;
    m_why.clear();
    m_log.append({QStringLiteral("uninhibit")});
}

void RecordingSleepService::listShutdownBlockers(
    QObject* context, std::function<void(const QList<ShutdownBlocker>&)> done)
{
    QTimer::singleShot(0, context ? context : this,
                       [done = std::move(done), list = blockers] { done(list); });
}

void RecordingSleepService::simulateSleep()
{
    m_waiting = true;
    Q_EMIT aboutToSleep();
}

void RecordingWakeAlarms::setWakeTimes(const QList<QDateTime>& times)
{
    if (m_refused)
        return;
    if (!refusal.isEmpty()) {
        m_refused = true;
        Q_EMIT refused(refusal);
        return;
    }
    QList<QDateTime> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (m_active && sorted == m_times)
        return;
    m_active = true;
    m_times = sorted;
    QStringList fields{QStringLiteral("wake")};
    for (const QDateTime& time : sorted)
        fields.append(time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    m_log.append(fields);
}

void RecordingWakeAlarms::stop()
{
    if (m_active)
        m_log.append({QStringLiteral("wake-stop")});
    m_active = false;
    m_refused = false;
    m_times.clear();
}

} // namespace zentari
