#pragma once

#include "platform/inifile.h"

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

// The user's scheduled actions: five parallel Windows-1251 list files under
// data/ (order, count and the editor's lines) and one conf.ini section per
// action with the values the dispatcher reads every second. Each holder keeps
// its own copy of the lists; the files are the meeting point, so every writer
// reloads them right before it changes them.
class ActionStore
{
public:
    struct Lists
    {
        QStringList actions, times, paths, dates, ids;
    };

    explicit ActionStore(QString programDir);

    // Opens (creating it when missing) conf.ini for this holder and empties the lists.
    void openStore();
    // Completes a change a crash interrupted, then reads the five files in the
    // order actions, paths, times, dates, ids; throws Error at the first file
    // that cannot be read (the lists before it stay loaded).
    void loadAll();
    // What the clock's tick holds: the ids, and the count of the paths list
    // (the other lists would cost megabytes with many actions; the templates
    // reload all five before they append). A change a crash interrupted is
    // completed first. Whatever cannot be read is reported once and taken as
    // empty, so that a broken list never keeps the clock from starting; the
    // stores never write over it. Returns the count of the paths list.
    qsizetype loadForTick(ErrorReport& report);
    // Writes the five lists, all or none.
    void saveAll();
    // Completes a change of the lists and sections that a crash interrupted;
    // for readers that load lists without loadAll(). Throws Error.
    void completePendingChange();
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
    bool removeAt(int position, const QString& expectedId = {});

    // The editor's id: date text, a space and the time text; the date text alone at midnight.
    static QString makeActionId(QDate date, QTime time);
    // The templates' id: date text, a space and the time text, always.
    static QString makeTemplateId(const QString& dateText, const QString& timeText);
    static QString sectionName(const QString& actionId)
    {
        return QStringLiteral("Action") + actionId;
    }

    // An id that no listed action holds yet: the id itself, else "<id> #2", "<id> #3", ...
    QString uniqueId(const QString& id) const;

    Lists& lists() { return m_lists; }
    const Lists& lists() const { return m_lists; }
    IniFile& config() { return m_config; }
    const QString& programDir() const { return m_programDir; }
    QString listPath(QStringView fileName) const; // "1Ids.zdt" -> programDir/data/1Ids.zdt

private:
    static QList<std::pair<QString, QString>> commonKeys(const ScheduledAction& a, const QString& path);
    QString pendingChangePath() const;
    IniFile& configForWriting();
    void addLists(StoreChange& change) const;

    QString m_programDir;
    IniFile m_config;
    Lists m_lists;
};

} // namespace zentari
