#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

namespace zentari {

// One reminder as the store keeps it, a line of each of the five lists.
struct Reminder
{
    QString title;
    QString messagePath; // the text file, as stored
    QString timeText;
    QString dateText;
    QString reminderId; // title immediately followed by the date text
};

// The reminders: five parallel Windows-1251 list files under data/ (titles,
// text file paths, times, dates, ids) and one text file per reminder under
// data/Messages/, named after its id. One in-memory copy, held by the reminder
// editor and read by the tick. Every change is written at once, all or
// nothing across the five lists and the text file.
class ReminderStore
{
public:
    struct Lists
    {
        // A null line of messes stands for the usual path, textPathFor(id):
        // with many reminders the full paths would be most of the memory.
        QStringList times, messes, dates, titles, ids;
    };

    explicit ReminderStore(QString programDir);

    // Completes a change a crash interrupted, then reads the lists in the
    // order times, messes, ids, titles, dates; throws Error at the first file
    // that cannot be read (the lists before it keep their lines).
    void loadReminders();

    // Why a reminder with this title and text cannot be stored (Russian), or
    // the empty text. The title names a file: no separators, no line breaks;
    // every character must exist in Windows-1251.
    static QString titleProblem(const QString& title);
    static QString textProblem(const QString& text);
    // The editor's message when a reminder cannot be written.
    static const QString kInputError;

    // Whether a reminder with this title on this day exists (its text file does).
    bool exists(const QString& title, QDate day) const;
    // Appends a reminder; false (nothing stored) when one with this title on
    // this day exists. Throws Error when the title or text cannot be stored or
    // a file cannot be written (the store then stays as it was).
    bool addReminder(const QString& title, const QString& text, QDate day, QTime timeOfDay);
    // Deletes the reminder at a list position with its text file; false when
    // there is none there.
    bool removeReminderAt(int position);
    // Writes the five lists, all or none.
    void saveReminders();

    const Lists& lists() const { return m_lists; }
    int count() const { return int(m_lists.ids.size()); }
    Reminder at(int position) const;
    // Changes whenever the lists change, so that readers can keep what they
    // derived from them.
    quint64 revision() const { return m_revision; }

    // data/Messages/<id>.zdt under the program folder.
    QString textPathFor(const QString& reminderId) const;
    // The reminder's text file: the stored path, or, when that does not exist
    // (a moved program folder, lists from another system), the one its id names.
    QString textFileOf(int position) const;
    // The text of a text file, lines joined by '\n'. Throws Error.
    static QString readText(const QString& path);

private:
    QString listPath(QStringView name) const;
    QString messagePath(int position) const;
    QStringList storedMesses() const;
    QString pendingChangePath() const;
    void completePendingChange();
    void commit(const QString& writtenFile, const QByteArray& bytes, const QString& removedFile);

    QString m_programDir;
    Lists m_lists;
    quint64 m_revision = 0;
};

} // namespace zentari
