#pragma once

#include <QList>
#include <QtGlobal>

namespace zentari {

// Decides which wall-clock seconds the tick's dispatch still owes. Each second
// is dispatched at most once, however many ticks fall into it; seconds the
// tick missed (a blocking beep, a busy system) are owed on the next tick, up to
// a minute back. A longer jump (suspend, the clock set forward) is not caught
// up, and a clock set back starts afresh from the new time.
// Seconds are counted since the epoch: plain integers, no time-zone work.
class SecondsTracker
{
public:
    static constexpr int kMaxCatchUpSeconds = 60;

    // The seconds to dispatch now, oldest first, ending with `now`; they count
    // as dispatched from this call on, so a tick nested inside one of their
    // actions does not run them again.
    QList<qint64> take(qint64 now);

private:
    qint64 m_last = 0;
    bool m_started = false;
};

} // namespace zentari
