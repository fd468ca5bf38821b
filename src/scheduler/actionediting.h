#pragma once

#include "scheduler/actionstore.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <array>
#include <functional>

// What the action editor does, without its window: reading an action into
// the editor's fields, checking and saving them, the weekday line.
namespace zentari {

// The values of the editor's controls: type chooser, path box, time and date pickers.
struct ActionFields
{
    int typeCode = -1; // the type chooser's item, -1 when none is chosen
    QString pathText;
    QTime time;
    QDate date;
};

// What the periodicity dialog hands the editor at save time.
struct PeriodicityChoice
{
    int code = int(Periodicity::Once);
    bool chosen = false;        // the dialog has been closed at least once this run
    std::array<bool, 7> days{}; // Monday first
};

namespace actionediting {

// The type chooser's captions, item index = type code.
QStringList typeCaptions();
// The label a type 2, 3 or 4 action stores as its path; empty for the file types.
QString pathLabel(int typeCode);
bool isFileType(int typeCode); // 0, 1, or none chosen

// " ,Пон ,Пят" for Monday and Friday; empty when no day is set.
QString weekdayLine(const std::array<bool, 7>& days);

// The file dialog's filters for the type: the captions the user knows, each
// followed by the patterns that really match (a file dialog that hides
// filter details shows only the caption).
QStringList fileFilters(int typeCode);

// Why the fields cannot be saved, in Russian, or the empty text when they can.
// An action without a type, or a file action without an existing file, could
// never run; a value the list files cannot hold would come back changed.
QString fieldsProblem(const ActionFields& fields,
                      const std::function<bool(const QString&)>& fileExists);

// The action as the store gets it: texts through the clock's formatting, the
// editor's id, the dialog's code and check marks.
ScheduledAction toScheduledAction(const ActionFields& fields, const PeriodicityChoice& choice);

} // namespace actionediting

// The editor's copy of the store and what it is in the middle of. A change
// keeps the old action until the new one is saved, so that cancelling it
// loses nothing.
class ActionEditing
{
public:
    explicit ActionEditing(QString programDir);

    // Opens conf.ini (created when missing) and empties the lists; throws Error.
    void openStore();
    // Reads the five lists; throws Error at the first that cannot be read.
    void loadAll();
    void release();
    // See ActionStore::takeNotice().
    QString takeNotice() { return m_store.takeNotice(); }

    const RecordList<ActionRecord>& records() const { return m_store.records(); }
    ActionStore::Lists lists() const { return m_store.lists(); }
    bool configOpen() { return m_store.config().isOpen(); }

    // The weekday line of the action at a position, from the section its stored id names.
    QString weekdayLineAt(int position);
    // The stored periodicity and weekdays of the action at a position, as the
    // periodicity dialog would hand them over (counted as chosen); throws Error
    // when there is no action there.
    PeriodicityChoice periodicityAt(int position);

    // Marks the action at a position (with its stored id) to be replaced by the next save.
    void beginChange(int position);
    void cancelChange();
    bool changing() const { return !m_changingId.isNull(); }

    // Deletes the action at a position; false when there is none.
    bool removeAt(int position);
    // Checks the fields (throws Error with fieldsProblem's text), then appends
    // the new action, or, while changing, replaces the old one by it in one
    // change of the store (should it fail, the old one stays). Returns its id.
    QString save(const ActionFields& fields, const PeriodicityChoice& choice,
                 const std::function<bool(const QString&)>& fileExists);

private:
    ActionStore m_store;
    int m_changingPosition = -1;
    QString m_changingId;
};

} // namespace zentari
