#pragma once

#include <QTimer>
#include <functional>

namespace zentari {

// The clock's one-second timer: single-shot and armed again just after the
// next wall-clock second begins, so that under normal load every second's
// time text is seen by exactly one tick.
class SecondTimer : public QTimer
{
public:
    SecondTimer(QObject* parent, std::function<void()> tick);

    void arm();

private:
    std::function<void()> m_tick;
};

} // namespace zentari
