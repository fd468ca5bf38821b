#include "wallclockwatch_linux.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <sys/timerfd.h>
#include <unistd.h>

namespace zentari {

WallClockWatch::WallClockWatch(QObject* parent) : QObject(parent)
{
    m_fd = ::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK);
    if (m_fd < 0)
        return;
    if (!arm()) {
        stopWatching();
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &WallClockWatch::readTimer);
}

WallClockWatch::~WallClockWatch()
{
    stopWatching();
}

bool WallClockWatch::isWatching() const
{
    itimerspec left{};
    return m_fd >= 0 && m_notifier && m_notifier->isEnabled() &&
           ::timerfd_gettime(m_fd, &left) == 0 && left.it_value.tv_sec > 0;
}

// The kernel caps the time at the end of its own range: the timer never
// comes, only the cancellation does.
bool WallClockWatch::arm()
{
    itimerspec never{};
    never.it_value.tv_sec = std::numeric_limits<time_t>::max();
    return ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &never, nullptr) ==
           0;
}

WallClockWatch::Reading WallClockWatch::interpret(ssize_t bytesRead, int error)
{
    if (bytesRead == ssize_t(sizeof(std::uint64_t)))
        return Reading::Expired;
    if (bytesRead >= 0)
        return Reading::Failed;
    switch (error) {
    case ECANCELED:
        return Reading::ClockSet;
    case EAGAIN:
    case EINTR:
        return Reading::Nothing;
    default:
        return Reading::Failed;
    }
}

void WallClockWatch::readTimer()
{
    std::uint64_t ticks = 0;
    const ssize_t n = ::read(m_fd, &ticks, sizeof ticks);
    handle(interpret(n, n < 0 ? errno : 0));
}

void WallClockWatch::handle(Reading reading)
{
    switch (reading) {
    case Reading::Nothing:
        return;
    case Reading::Failed:
        // A descriptor that keeps failing would wake the event loop forever.
        stopWatching();
        return;
    case Reading::Expired:
    case Reading::ClockSet:
        if (m_fd < 0 || !arm())
            stopWatching();
        if (reading == Reading::ClockSet)
            Q_EMIT clockSet();
        return;
    }
}

// Also called from the notifier's own signal: it is let go of, not deleted.
void WallClockWatch::stopWatching()
{
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace zentari
