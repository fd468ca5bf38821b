#pragma once

#include <QDateTime>
#include <QList>
#include <QtGlobal>
#include <optional>

namespace zentari {

// Decides which seconds the tick's dispatch still owes. Each second is
// dispatched at most once, however many ticks fall into it and whatever nests
// inside a tick; seconds the tick missed (a busy system, a stalled process) are
// owed on the next tick, up to a minute back. A longer jump forward (suspend,
// the clock set forward) is not caught up.
//
// Two clocks are watched. The system clock, in seconds since the epoch: a step
// back of up to a minute (a tick that took its second late, a small
// correction) dispatches nothing until the clock passes the last dispatched
// second again; a larger step back is the clock really set back and starts
// afresh. And the local date and time that actions are written in: when
// daylight saving time ends, the repeated hour's texts were already dispatched
// and are not dispatched again while the system clock runs forward.
class SecondsTracker
{
public:
    static constexpr int kMaxCatchUpSeconds = 60;

    // The seconds to dispatch now, oldest first, as local date-times (in the
    // time zone `now` carries). They count as dispatched from this call on, so
    // a tick nested inside one of their actions does not run them again.
    QList<QDateTime> take(const QDateTime& now);

    // After take(): when it started afresh because the clock had jumped
    // forward by more than kMaxCatchUpSeconds, the last second taken before
    // the jump (since the epoch). The seconds after it and before `now` were
    // never dispatched; the catch-up decides what becomes of them.
    std::optional<qint64> jumpedFrom() const { return m_jumpedFrom; }

    // Continues from a second dispatched by an earlier run of the clock (as
    // if it had been taken last): the next take() reports any gap from it
    // through jumpedFrom(), however short.
    void continueFrom(const QDateTime& last);
    // The machine goes to sleep (or has just woken): the first gap the next
    // takes meet, however short, is reported through jumpedFrom(). Whether the
    // clock's timer or the wake-up notice comes first after the sleep, a
    // shutdown due during it is never taken as merely late.
    void sleeping();

    // The last second taken, since the epoch; nullopt before the first.
    std::optional<qint64> lastTaken() const
    {
        return m_started ? std::optional<qint64>(m_last) : std::nullopt;
    }

private:
    static qint64 localKey(const QDateTime& t);

    qint64 m_last = 0;      // last second taken, since the epoch
    qint64 m_lastLocal = 0; // the same second's local date and time, as a count of seconds
    bool m_started = false;
    std::optional<qint64> m_jumpedFrom;
    bool m_gapIsJump = false; // the next gap of two seconds or more is a jump
};

} // namespace zentari
