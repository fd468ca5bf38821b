#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

namespace zentari {

// One thing put off and not yet come back.
struct PendingSnooze
{
    enum class Kind
    {
        Reminder,
        AlarmSound,
    };
    Kind kind = Kind::Reminder;
    QString id;    // the reminder's or the sound action's id in its store
    QString name;  // what the menu calls it
    QDateTime due; // the clock's wall time, to the second

    friend bool operator==(const PendingSnooze&, const PendingSnooze&) = default;
};

// The snoozes of this program folder that have yet to come due, so that the
// clock can list them and the user can take one back. Kept in data/snoozed.txt
// (UTF-8, one line each, written atomically), so that they outlive a restart.
// The list is only a pointer at the stores: a file that cannot be read counts
// as no snoozes, and what the stores no longer hold is dropped.
class SnoozeLedger
{
public:
    // Reads data/snoozed.txt under programDir.
    explicit SnoozeLedger(const QString& programDir);

    const QList<PendingSnooze>& entries() const { return m_entries; }

    // A reminder put off, from its old id to its new one: one that was put
    // off before has its entry replaced. Throws Error when the file cannot be written.
    void recordReminder(const QString& previousId, const QString& newId, const QString& title,
                        const QDateTime& due);
    // An alarm's sound put off as the new action `actionId` playing `file`.
    void recordSound(const QString& actionId, const QString& file, const QDateTime& due);
    // "Будильник (wake.mp3)": the sound's file name, whichever separators its path uses.
    static QString soundName(const QString& file);

    // Drops what has come due by `now` and what `stored` says its store no
    // longer holds as it was put off; written only when something went.
    void prune(const QDateTime& now, const std::function<bool(const PendingSnooze&)>& stored);
    // Drops one entry (cancelled, or found gone).
    void remove(PendingSnooze::Kind kind, const QString& id);

    QString path() const { return m_path; }

private:
    void add(PendingSnooze entry);
    void read();
    void save() const;

    QString m_path;
    QList<PendingSnooze> m_entries; // by due second
};

} // namespace zentari
