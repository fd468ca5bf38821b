#pragma once

#include <QDateTime>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace zentari {

// The warning that a scheduled shutdown or reboot is coming, with the seconds
// left and the way to stop it. The system's own wall message reaches terminals
// only, so the clock shows this one on the desktop.
class ShutdownWarning : public QWidget
{
    Q_OBJECT
public:
    explicit ShutdownWarning(QWidget* parent = nullptr);

    void start(const QString& message, int seconds);
    void stop();
    int secondsLeft() const;

Q_SIGNALS:
    // "Прекратить выход из системы" was pressed.
    void abortRequested();

private:
    void refresh();

    QLabel* m_message;
    QLabel* m_countdown;
    QPushButton* m_abort;
    QTimer m_timer;
    QDateTime m_deadline;
};

} // namespace zentari
