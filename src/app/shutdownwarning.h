#pragma once

#include <QDateTime>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace zentari {

class SleepService;

// The warning that a scheduled shutdown or reboot is coming, with the seconds
// left and the way to stop it. The system's own wall message reaches terminals
// only, so the clock shows this one on the desktop. It also names the other
// programs that hold the shutdown off, for the user to close them in time.
class ShutdownWarning : public QWidget
{
    Q_OBJECT
public:
    // Without a sleep service no blockers are asked for.
    explicit ShutdownWarning(QWidget* parent = nullptr, SleepService* sleep = nullptr);

    void start(const QString& message, int seconds);
    void stop();
    int secondsLeft() const;
    // "Выключению мешает: ..." lines, empty when nothing is known to block.
    QString blockersText() const;

Q_SIGNALS:
    // "Прекратить выход из системы" was pressed.
    void abortRequested();

private:
    void refresh();
    void askForBlockers();

    QLabel* m_message;
    QLabel* m_countdown;
    QPushButton* m_abort;
    QLabel* m_blockers;
    QTimer m_timer;
    QDateTime m_deadline;
    SleepService* m_sleep;
    quint64 m_asked = 0; // the answer to an older warning's question is not shown
};

} // namespace zentari
