#include "secondtimer.h"

#include <QDateTime>

namespace zentari {

SecondTimer::SecondTimer(QObject* parent, std::function<void()> tick)
    : QTimer(parent), m_tick(std::move(tick))
{
    setSingleShot(true);
    setTimerType(Qt::PreciseTimer);
    connect(this, &QTimer::timeout, this, [this] {
        // Armed before the tick runs: a modal window opened inside the tick (an
        // error report, a reminder) runs its own event loop, and the clock must
        // go on ticking under it.
        arm();
        m_tick();
    });
}

void SecondTimer::arm()
{
    const qint64 ms = QDateTime::currentMSecsSinceEpoch() % 1000;
    start(int(1000 - ms + 5));
}

} // namespace zentari
