#include "secondstracker.h"

namespace zentari {

QList<qint64> SecondsTracker::take(qint64 now)
{
    QList<qint64> owed;
    if (m_started) {
        const qint64 gap = now - m_last;
        if (gap == 0)
            return owed;
        if (gap > 1 && gap <= kMaxCatchUpSeconds) {
            for (qint64 s = m_last + 1; s < now; ++s)
                owed.append(s);
        }
    }
    owed.append(now);
    m_last = now;
    m_started = true;
    return owed;
}

} // namespace zentari
