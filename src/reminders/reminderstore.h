#pragma once

#include "core/recordlist.h"
#include "core/storefiles.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>
#include <array>

namespace zentari {

class ErrorReport;
class StoreChange;

// One reminder as the store keeps it, a line of each of the five lists.
struct Reminder
{
    QString title;       // "data\Titles.zdt"
    QString messagePath; // "data\Messes.zdt": the text file, as stored
    QString timeText;    // "data\Times.zdt"
    QString dateText;    // "data\Dates.zdt"
    QString reminderId;  // "data\IDs.zdt": title immediately followed by the date text

    static constexpr std::array<QString Reminder::*, 5> kLines = {
        &Reminder::title, &Reminder::messagePath, &Reminder::timeText, &Reminder::dateText,
        &Reminder::reminderId};
};

// The reminders: five parallel Windows-1251 list files under data/ (titles,
// text file paths, times, dates, ids) and one text file per reminder under
// data/Messages/, named after its id. One in-memory copy, one record per
// reminder, held by the reminder editor and read by the tick. Every change is
// written at once, all or nothing across the five lists and the text file,
// under the store's lock (data/reminders.lock, shared with other processes); a
// copy older than the lists is read again first. After a read that failed the
// store refuses to write (RefusedError) until a read succeeds: it would write
// its gaps over the user's reminders.
class ReminderStore
{
public:
    // The five lists as the files hold them, except that a null line of
    // messes stands for the usual path, textPathFor(id).
    struct Lists
    {
        QStringList times, messes, dates, titles, ids;
    };

    explicit ReminderStore(QString programDir);

    // Completes a change a crash interrupted (or sets its record aside, see
    // takeNotice()), then reads the lists in the order times, messes, ids,
    // titles, dates; throws Error at the first file that cannot be read (the
    // records keep the lines of the files before it).
    void loadReminders();
    // Start-up's read: loadReminders(), with its notice reported once. A list
    // that cannot be read is not thrown but kept as loadedAtStart() false; the
    // lines read before it stay.
    void loadAtStart(ErrorReport& report);
    bool loadedAtStart() const { return m_loadedAtStart; }
    // What the user should be told once: a change a crash left that could not
    // be completed and was set aside. Empty when there is nothing to tell.
    QString takeNotice() { return m_files.takeNotice(); }
    // Counts the reads of the lists; a change that found the lists changed by
    // another program reads them again, and a view of them must then follow.
    quint64 loads() const { return m_loads; }

    // Why a reminder with this title and text cannot be stored (Russian), or
    // the empty text. The title names a file: no separators, no line breaks,
    // not too long for a file name; every character must exist in
    // Windows-1251. The text must be readable back (maxTextSize).
    static QString titleProblem(const QString& title);
    static QString textProblem(const QString& text);
    // Texts are read up to this size; the rest of a larger file is not shown.
    static constexpr qint64 maxTextSize = 1024 * 1024;
    // The editor's message when a reminder cannot be written.
    static const QString kInputError;

    // Whether a reminder with this title on this day exists: its id is listed
    // or its text file is there (the two would share that file).
    bool exists(const QString& title, QDate day) const;
    // Appends a reminder; false (nothing stored) when one with this title on
    // this day exists. Throws Error when the title or text cannot be stored or
    // a file cannot be written (the store then stays as it was).
    bool addReminder(const QString& title, const QString& text, QDate day, QTime timeOfDay);
    // Deletes the reminder at a list position with its text file; false when
    // there is none there. expectedId, when given, finds the reminder again
    // should another program have moved it.
    bool removeReminderAt(int position, QString expectedId = {});
    // The editor's change as one change of the store: the reminder at a
    // position (found again by expectedId) is removed with its text file and
    // the new one appended. False, and nothing changed, when another reminder
    // has the new title on the new day. Throws as addReminder does; whatever
    // fails, the old reminder stays.
    bool replaceAt(int position, QString expectedId, const QString& title, const QString& text,
                   QDate day, QTime timeOfDay);
    enum class Moved
    {
        Done,
        Gone,  // no reminder has that id any more
        Taken, // another reminder has the title on the new day
    };
    // A snooze: the reminder with this id gets the new time and date in its
    // place, title and text kept, as one change. A new day is a new id, so the
    // text file then takes the new name and the old one goes. Throws Error when
    // a file cannot be written (the store then stays as it was). When done,
    // *movedId (when given) is the reminder's id now.
    Moved moveTo(const QString& reminderId, const QDateTime& when, QString* movedId = nullptr);
    // Writes the five lists, all or none.
    void saveReminders();

    // The records as read, except that a null messagePath stands for the
    // usual path, textPathFor(reminderId): with many reminders the full paths
    // would be most of the memory.
    const RecordList<Reminder>& records() const { return m_records; }
    // The records as the five files hold them (made on each call).
    Lists lists() const;
    // How many reminders the tick looks at: the lines of the ids list.
    int count() const { return int(m_records.lines(&Reminder::reminderId)); }
    // A reminder with its text file's path, as stored.
    Reminder at(int position) const;
    // Changes whenever the lists change, so that readers can keep what they
    // derived from them.
    quint64 revision() const { return m_revision; }

    // data/Messages/<id>.zdt under the program folder.
    QString textPathFor(const QString& reminderId) const;
    // The reminder's text file: the stored path, or, when that does not exist
    // (a moved program folder, lists from another system), the one its id names.
    QString textFileOf(int position) const;
    // The text of a text file, lines joined by '\n': only from a regular file
    // and at most maxTextSize of it, with a last line that says what was left
    // out. Throws Error.
    static QString readText(const QString& path);

private:
    QString listPath(QStringView name) const;
    // The stored text path of a record, the usual one spelled out.
    QString messagePath(const Reminder& record) const;
    QStringList storedMesses() const;
    void readLists();
    // Under the lock: the copy is made current, or RefusedError.
    void prepareChange();
    int positionOf(int position, const QString& expectedId) const;
    // The first position of a listed id, or -1.
    int indexOfId(const QString& id) const;
    void appendRecord(const QString& title, const QString& dateText, QTime timeOfDay);
    void makeTextFolder(const QString& textFile) const;
    static QString titleLengthProblem(const QString& title);
    // One change of the records and their files (StoreFiles::change); the
    // lists are added to the change after `make`.
    template <typename Make> void change(Make&& make);

    QString m_programDir;
    StoreFiles m_files;
    RecordList<Reminder> m_records;
    quint64 m_revision = 0;
    quint64 m_loads = 0;
    QString m_loadProblem; // why the last read failed; empty when it succeeded
    bool m_loadedAtStart = false;
};

} // namespace zentari
