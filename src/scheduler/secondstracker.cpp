#include "secondstracker.h"

namespace zentari {

qint64 SecondsTracker::localKey(const QDateTime& t)
{
    return t.date().toJulianDay() * 86400 + t.time().msecsSinceStartOfDay() / 1000;
}

QList<QDateTime> SecondsTracker::take(const QDateTime& now)
{
    const qint64 second = now.toSecsSinceEpoch();
    QList<QDateTime> owed;
    m_jumpedFrom.reset();
    if (m_started) {
        const qint64 gap = second - m_last;
        if (gap == 0 || (gap < 0 && -gap <= kMaxCatchUpSeconds))
            return owed;
        if (gap < 0)
            m_started = false; // the clock was set back: start afresh
    }
    if (!m_started) {
        m_started = true;
        m_last = second;
        m_lastLocal = localKey(now);
        owed.append(now);
        return owed;
    }
    // After a sleep or a start nothing is merely late: every second missed,
    // however few, goes to the catch-up, which never performs a power action late.
    const bool jumped = second - m_last > (m_gapIsJump ? 1 : kMaxCatchUpSeconds);
    if (jumped) {
        m_jumpedFrom = m_last;
        m_gapIsJump = false;
    }
    const qint64 first = jumped ? second : m_last + 1;
    for (qint64 s = first; s <= second; ++s) {
        const QDateTime at = s == second ? now : now.addSecs(s - second);
        const qint64 local = localKey(at);
        if (local <= m_lastLocal)
            continue; // a local time already dispatched (the hour repeated at the end of summer
                      // time)
        m_lastLocal = local;
        owed.append(at);
    }
    m_last = second;
    return owed;
}

void SecondsTracker::continueFrom(const QDateTime& last)
{
    m_started = true;
    m_last = last.toSecsSinceEpoch();
    m_lastLocal = localKey(last);
    m_jumpedFrom.reset();
    m_gapIsJump = true;
}

void SecondsTracker::sleeping()
{
    m_gapIsJump = m_started;
}

} // namespace zentari
