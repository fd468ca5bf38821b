#pragma once

#include <QObject>
#include <sys/types.h>

class QSocketNotifier;

namespace zentari {

// Notices the wall clock being set, at once and without polling: a timerfd on
// CLOCK_REALTIME armed for the end of time with TFD_TIMER_CANCEL_ON_SET wakes
// up (its read fails with ECANCELED) whenever the clock is set. Without
// timerfd it quietly notices nothing.
class WallClockWatch : public QObject
{
    Q_OBJECT
public:
    explicit WallClockWatch(QObject* parent = nullptr);
    ~WallClockWatch() override;

    // Armed, with its descriptor watched.
    bool isWatching() const;

    // What one read of the timer meant.
    enum class Reading
    {
        ClockSet, // ECANCELED: the clock was set
        Expired,  // the timer's time came (only after a set to the far future)
        Nothing,  // woken without news (EAGAIN, EINTR)
        Failed,   // any other failure: the watch cannot go on
    };
    static Reading interpret(ssize_t bytesRead, int error);
    // Acts on one reading: re-arms after a set or an expiry (and signals the
    // set), stops watching after a failure.
    void handle(Reading reading);

Q_SIGNALS:
    void clockSet();

private:
    bool arm();
    void readTimer();
    void stopWatching();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace zentari
