#include "secondstracker.h"

namespace zentari {

QList<QDateTime> SecondsTracker::take(const QDateTime& now)
{
    QDateTime second = now;
    second.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    QList<QDateTime> owed;
    if (m_last.isValid()) {
        const qint64 gap = m_last.secsTo(second);
        if (gap == 0)
            return owed;
        if (gap > 1 && gap <= kMaxCatchUpSeconds) {
            for (qint64 s = 1; s < gap; ++s)
                owed.append(m_last.addSecs(s));
        }
    }
    owed.append(second);
    m_last = second;
    return owed;
}

} // namespace zentari
