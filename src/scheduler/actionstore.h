#pragma once

#include "core/inifile.h"
#include "core/recordlist.h"
#include "core/storefiles.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <array>

namespace zentari {

class ErrorReport;
class StoreChange;

enum class ActionType
{
    SoundFile = 0,
    AnyFile = 1,
    Reboot = 2,
    LogOff = 3,
    Shutdown = 4
};
enum class Periodicity
{
    Once = 1,
    EveryDay = 2,
    ChosenDays = 3
};

// The weekday keys of an action's section, Monday first (the order of
// ScheduledAction::days and of the periodicity dialog).
inline constexpr std::array<QStringView, 7> kDayKeys = {u"Mon", u"Tue", u"Wed", u"Thu",
                                                        u"Fri", u"Sat", u"Sun"};

// Which of the dispatcher's three periodicity checks a section's "Type_Per"
// passes: "1" once, "2" every day, "3" on the chosen days.
struct PeriodChecks
{
    bool once = false;
    bool everyDay = false;
    bool chosenDays = false;
};
// What a section without "Type_Per" counts as (one written by hand; every
// section this program writes has the key): once and every day, so on its
// date it runs twice.
inline constexpr PeriodChecks kPeriodWhenMissing{.once = true, .everyDay = true};

// One scheduled action as its writers hand it to the store.
struct ScheduledAction
{
    QString actionId;
    int typeCode = -1; // ActionType code; -1 when saved without a type
    QString pathText;  // the list line (what the editor shows)
    QString timeText;
    QString dateText;
    int period = 1;             // Periodicity code
    std::array<bool, 7> days{}; // Monday first
};

// One action as the five list files hold it: line i of each.
struct ActionRecord
{
    QString action; // "data\1Actions.zdt": the type code as text
    QString path;   // "data\1Paths.zdt": the editor's line
    QString time;   // "data\1Times.zdt"
    QString date;   // "data\1Dates.zdt"
    QString id;     // "data\1Ids.zdt": names the section "Action" + id

    static constexpr std::array<QString ActionRecord::*, 5> kLines = {
        &ActionRecord::action, &ActionRecord::path, &ActionRecord::time, &ActionRecord::date,
        &ActionRecord::id};
};

// The user's scheduled actions: five parallel Windows-1251 list files under
// data/ (order, count and the editor's lines) and one conf.ini section per
// action with the values the dispatcher reads every second. Each holder keeps
// its own copy, one record per action; the files are the meeting point, so
// every writer takes the store's lock (data/actions.lock, shared with other
// processes), reloads the records and changes them before it lets go. A change
// that fails changes nothing, on disk or in the copy; one that finds the lists
// unreadable is refused (RefusedError) rather than write a partial copy over them.
class ActionStore
{
public:
    // The five lists as the files hold them.
    struct Lists
    {
        QStringList actions, times, paths, dates, ids;
    };

    explicit ActionStore(QString programDir);

    // Opens (creating it when missing) conf.ini for this holder and empties the records.
    void openStore();
    // Completes a change a crash interrupted, then reads the five files in the
    // order actions, paths, times, dates, ids; throws Error at the first file
    // that cannot be read (the lines of the files before it stay loaded).
    void loadAll();
    // Lets go of the records.
    void clear();
    // What the clock's tick holds instead of the records: the ids (tickIds()),
    // and the count of the paths list (the other lines would cost megabytes
    // with many actions; the templates reload all five before they append). A
    // change a crash interrupted is completed first. Whatever cannot be read is
    // reported once and taken as empty, so that a broken list never keeps the
    // clock from starting; the stores never write over it. Returns the count
    // of the paths list.
    qsizetype loadForTick(ErrorReport& report);
    // After a change made through this copy (a template's append): the tick
    // keeps what it reads of the records, and they are let go. Returns the
    // count of the paths list.
    qsizetype keepForTick();
    // The ids the tick dispatches by, in list order.
    const QStringList& tickIds() const { return m_tickIds; }
    // Writes the five lists, all or none.
    void saveAll();
    // Completes a change of the lists and sections that a crash interrupted,
    // or sets its record aside (see takeNotice()); for readers that load lists
    // without loadAll(). Throws Error.
    void completePendingChange();
    // What the user should be told once: a change a crash left that could not
    // be completed and was set aside. Empty when there is nothing to tell.
    QString takeNotice() { return m_files.takeNotice(); }
    // Removes what interrupted atomic writes left in the program folder and
    // data/ (at start, before anything is read).
    static void removeInterruptedWrites(const QString& programDir);

    // The editor's append: the lists, then the section keys "Action", "Date",
    // "Time", "Path", "Type_Per", then the weekday keys. Until the periodicity
    // dialog has been closed once (periodicityChosen false) "Type_Per" ends as "1".
    // Every change of the store is all or nothing across its files; a value no
    // list line can hold is refused (Error) before anything is written.
    // Returns the id actually used (made unique when another action holds it).
    QString appendAction(const ScheduledAction& action, bool periodicityChosen);
    // A shutdown template's append: "Action" = "4", "Type_Per" = "1", no weekday
    // keys; sectionPath is the section's "Path", which differs from the list line.
    QString appendTemplateAction(const ScheduledAction& action, const QString& sectionPath);

    // Deletes the action at a list position and erases the section its stored
    // id names. expectedId, when given, finds the action again should another
    // writer have moved it. False when there is no such action.
    // expectedId is taken by value: it often names a line of the very lists
    // that the reload replaces.
    bool removeAt(int position, QString expectedId = {});

    // The editor's change, as one change of the store: the action at a
    // position (found again by expectedId) is removed with its section and the
    // new one appended, as appendAction does. Nothing changes when any part
    // fails. An old action already gone (deleted by another writer) is no
    // reason to refuse the new one. Returns the new action's id.
    QString replaceAt(int position, QString expectedId, const ScheduledAction& action,
                      bool periodicityChosen);

    // The editor's id: date text, a space and the time text; the date text alone at midnight.
    static QString makeActionId(QDate date, QTime time);
    // The templates' id: date text, a space and the time text, always.
    static QString makeTemplateId(const QString& dateText, const QString& timeText);
    static QString sectionName(const QString& actionId)
    {
        return QStringLiteral("Action") + actionId;
    }
    // A section's "Type_Per", read once.
    static PeriodChecks storedPeriod(const IniFile& config, const QString& section);
    // A section's weekday flags, Monday first: a day counts when its key reads
    // exactly "1" ("0" when missing).
    static std::array<bool, 7> storedDays(const IniFile& config, const QString& section);

    // An id that no listed action holds yet: the id itself, else "<id> #2", "<id> #3", ...
    QString uniqueId(const QString& id) const;

    const RecordList<ActionRecord>& records() const { return m_records; }
    // The records as the five files hold them (made on each call).
    Lists lists() const;
    IniFile& config() { return m_config; }
    const QString& programDir() const { return m_programDir; }
    QString listPath(QStringView fileName) const; // "1Ids.zdt" -> programDir/data/1Ids.zdt

private:
    static QList<std::pair<QString, QString>> commonKeys(const ScheduledAction& a,
                                                         const QString& path);
    static QList<std::pair<QString, QString>> editorKeys(const ScheduledAction& a,
                                                         bool periodicityChosen);
    IniFile& configForWriting();
    void readLists();
    // Under the lock: the records as the files are now, or RefusedError.
    void reloadForChange();
    int positionOf(int position, const QString& expectedId) const;
    // The first position of a listed id, or -1.
    int indexOfId(const QString& id) const;
    QString appendRecord(const ScheduledAction& action);
    // One change of the records and their files (StoreFiles::change).
    template <typename Make> void change(Make&& make);
    // The five lists, into a change.
    void addLists(StoreChange& change) const;

    QString m_programDir;
    IniFile m_config;
    RecordList<ActionRecord> m_records;
    QStringList m_tickIds;
    StoreFiles m_files;
};

} // namespace zentari
