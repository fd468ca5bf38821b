#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

namespace zentari {

class ErrorReport;
class ReminderStore;

// What the firing asks of the program: the signal, the window, and what
// follows its closing.
class ReminderHost
{
public:
    virtual ~ReminderHost() = default;
    // The reminder signal (a beep or the reminder sound).
    virtual void alertSound() = 0;
    // Shows the reminder's window and returns when the user has closed it
    // (the clock goes on ticking meanwhile). The id names it in the store.
    virtual void showReminder(const QString& title, const QString& text,
                              const QString& reminderId) = 0;
    // After a window closed: the clock back from the tray.
    virtual void reminderClosed() = 0;
};

// The reminder step of the tick. Finds the reminders due in the seconds the
// tick owes (each second comes once, from the seconds tracker) and shows them
// one after another, each with its own signal, in list order. Reminders that
// fall due while a window is open wait in the queue and follow it, so every
// due reminder is shown exactly once.
class ReminderFiring
{
public:
    explicit ReminderFiring(ErrorReport& report);

    void step(const ReminderStore& store, ReminderHost& host, const QList<QDateTime>& seconds);

    // A reminder that fell due while the clock could not show it, queued
    // before those of the next step: its text follows the line `heading`.
    void queueLate(const ReminderStore& store, int position, const QString& heading);

    int queued() const { return int(m_queue.size()); }

    // A due reminder is about to be shown: its id and title.
    std::function<void(const QString& id, const QString& title)> onShown;

private:
    struct Due
    {
        QString title;
        QString textFile;
        QString id;
        QString heading; // empty for a reminder shown on time
    };
    void refreshIndex(const ReminderStore& store);
    void collect(const ReminderStore& store, const QList<QDateTime>& seconds);
    void showQueued(ReminderHost& host);

    ErrorReport& m_report;
    // (time of day in seconds, position) of every reminder, sorted; rebuilt
    // only when the lists change, so a second with nothing due is one search.
    std::vector<std::pair<int, int>> m_byTime;
    quint64 m_indexed = 0;
    QList<Due> m_queue;
    bool m_showing = false;
};

} // namespace zentari
