#include "actionstore.h"

#include "core/cp1251.h"
#include "core/error.h"
#include "core/paths.h"
#include "core/storechange.h"
#include "core/textlist.h"
#include "core/timetext.h"
#include "platform/errorreport.h"

#include <QFile>

namespace zentari {

ActionStore::ActionStore(QString programDir)
    : m_programDir(std::move(programDir)),
      m_files(paths::resolve(m_programDir, u"data\\"), QStringLiteral("actions"),
              QStringLiteral("действий"),
              {QStringLiteral("1Actions.zdt"), QStringLiteral("1Paths.zdt"),
               QStringLiteral("1Times.zdt"), QStringLiteral("1Dates.zdt"),
               QStringLiteral("1Ids.zdt")})
{
}

QString ActionStore::listPath(QStringView fileName) const
{
    return paths::resolve(m_programDir, QString(QStringLiteral("data\\") + fileName));
}

void ActionStore::openStore()
{
    paths::openConfig(m_config, m_programDir);
    m_records.clear();
}

void ActionStore::clear()
{
    m_records.clear();
}

IniFile& ActionStore::configForWriting()
{
    // A writer holds a handle even on a conf.ini that cannot be made: its
    // write then fails with the file's own reason.
    if (!m_config.isOpen() && !paths::openConfig(m_config, m_programDir))
        m_config = IniFile(paths::confPath(m_programDir));
    return m_config;
}

void ActionStore::completePendingChange()
{
    if (!QFile::exists(m_files.recordPath()))
        return;
    // Under the lock: the record may be another writer's change in progress.
    const FileLock held = m_files.lock();
    m_files.completePending(configForWriting());
}

void ActionStore::removeInterruptedWrites(const QString& programDir)
{
    StoreChange::removeInterruptedWrites(programDir, {QStringLiteral("conf.ini")});
    StoreChange::removeInterruptedWrites(paths::resolve(programDir, u"data"),
                                         {QStringLiteral(".zdt"), QStringLiteral(".pending")});
    StoreChange::removeInterruptedWrites(paths::resolve(programDir, u"data\\Messages"),
                                         {QStringLiteral(".zdt")});
}

void ActionStore::readLists()
{
    m_records.setColumn(&ActionRecord::action, textlist::load(listPath(u"1Actions.zdt")));
    m_records.setColumn(&ActionRecord::path, textlist::load(listPath(u"1Paths.zdt")));
    m_records.setColumn(&ActionRecord::time, textlist::load(listPath(u"1Times.zdt")));
    m_records.setColumn(&ActionRecord::date, textlist::load(listPath(u"1Dates.zdt")));
    m_records.setColumn(&ActionRecord::id, textlist::load(listPath(u"1Ids.zdt")));
}

ActionStore::Lists ActionStore::lists() const
{
    return Lists{.actions = m_records.column(&ActionRecord::action),
                 .times = m_records.column(&ActionRecord::time),
                 .paths = m_records.column(&ActionRecord::path),
                 .dates = m_records.column(&ActionRecord::date),
                 .ids = m_records.column(&ActionRecord::id)};
}

void ActionStore::loadAll()
{
    // A change a crash interrupted is completed before anything is read.
    completePendingChange();
    readLists();
}

void ActionStore::reloadForChange()
{
    try {
        m_files.completePending(configForWriting());
        m_records.clear();
        readLists();
    } catch (const RefusedError&) {
        throw;
    } catch (const Error& e) {
        throw m_files.refusal(e.message());
    }
}

qsizetype ActionStore::loadForTick(ErrorReport& report)
{
    m_records.clear();
    m_tickIds = {};
    try {
        completePendingChange();
    } catch (const Error& e) {
        report.reportOnce(e.message());
    }
    if (const QString notice = m_files.takeNotice(); !notice.isEmpty())
        report.reportOnce(notice);
    try {
        m_tickIds = textlist::loadOrEmpty(listPath(u"1Ids.zdt"));
    } catch (const Error& e) {
        report.reportOnce(e.message());
    }
    try {
        return textlist::countLines(listPath(u"1Paths.zdt"));
    } catch (const Error& e) {
        report.reportOnce(e.message());
        return 0;
    }
}

qsizetype ActionStore::keepForTick()
{
    m_tickIds = m_records.column(&ActionRecord::id);
    const qsizetype count = m_records.lines(&ActionRecord::path);
    m_records.clear();
    return count;
}

template <typename Make> void ActionStore::change(Make&& make)
{
    m_files.change(m_records, configForWriting(), std::forward<Make>(make), [this] {
        // Partly made: the copy takes the lists as they now stand.
        m_records.clear();
        readLists();
    });
}

void ActionStore::saveAll()
{
    const FileLock held = m_files.lock();
    change([this](StoreChange& c) { addLists(c); });
}

void ActionStore::addLists(StoreChange& change) const
{
    const Lists l = lists();
    change.setList(listPath(u"1Actions.zdt"), l.actions);
    change.setList(listPath(u"1Ids.zdt"), l.ids);
    change.setList(listPath(u"1Paths.zdt"), l.paths);
    change.setList(listPath(u"1Times.zdt"), l.times);
    change.setList(listPath(u"1Dates.zdt"), l.dates);
}

int ActionStore::indexOfId(const QString& id) const
{
    const qsizetype ids = m_records.lines(&ActionRecord::id);
    for (qsizetype i = 0; i < ids; ++i) {
        if (m_records[i].id == id)
            return int(i);
    }
    return -1;
}

QString ActionStore::uniqueId(const QString& id) const
{
    if (indexOfId(id) < 0)
        return id;
    for (int n = 2;; ++n) {
        const QString candidate = id + QStringLiteral(" #") + QString::number(n);
        if (indexOfId(candidate) < 0)
            return candidate;
    }
}

namespace {
void requireStorable(const ScheduledAction& a, const QString& sectionPath)
{
    for (const QString* value : {&a.actionId, &a.pathText, &a.timeText, &a.dateText, &sectionPath})
        requireStorableValue(*value);
}
} // namespace

QList<std::pair<QString, QString>> ActionStore::commonKeys(const ScheduledAction& a,
                                                           const QString& path)
{
    return {{QStringLiteral("Action"), QString::number(a.typeCode)},
            {QStringLiteral("Date"), a.dateText},
            {QStringLiteral("Time"), a.timeText},
            {QStringLiteral("Path"), path}};
}

QList<std::pair<QString, QString>> ActionStore::editorKeys(const ScheduledAction& a,
                                                           bool periodicityChosen)
{
    auto keys = commonKeys(a, a.pathText);
    // Until the periodicity dialog has been closed once, the action is a one-off.
    keys.append({QStringLiteral("Type_Per"),
                 periodicityChosen ? QString::number(a.period) : QStringLiteral("1")});
    for (int day = 0; day < 7; ++day)
        keys.append(
            {kDayKeys[day].toString(), a.days[day] ? QStringLiteral("1") : QStringLiteral("0")});
    return keys;
}

QString ActionStore::appendRecord(const ScheduledAction& action)
{
    const QString id = uniqueId(action.actionId);
    m_records.append(ActionRecord{.action = QString::number(action.typeCode),
                                  .path = action.pathText,
                                  .time = action.timeText,
                                  .date = action.dateText,
                                  .id = id});
    return id;
}

QString ActionStore::appendAction(const ScheduledAction& action, bool periodicityChosen)
{
    requireStorable(action, action.pathText);
    const FileLock held = m_files.lock();
    // Another writer may have appended since our copy was loaded.
    reloadForChange();
    QString id;
    change([&](StoreChange& c) {
        id = appendRecord(action);
        addLists(c);
        c.writeSection(sectionName(id), editorKeys(action, periodicityChosen));
    });
    return id;
}

QString ActionStore::appendTemplateAction(const ScheduledAction& action, const QString& sectionPath)
{
    requireStorable(action, sectionPath);
    const FileLock held = m_files.lock();
    reloadForChange();
    QString id;
    change([&](StoreChange& c) {
        id = appendRecord(action);
        auto keys = commonKeys(action, sectionPath);
        keys.append({QStringLiteral("Type_Per"), QStringLiteral("1")});
        addLists(c);
        c.writeSection(sectionName(id), std::move(keys));
    });
    return id;
}

int ActionStore::positionOf(int position, const QString& expectedId) const
{
    if (!expectedId.isNull() && (position < 0 || position >= m_records.lines(&ActionRecord::id) ||
                                 m_records[position].id != expectedId))
        position = indexOfId(expectedId);
    return position < m_records.whole() ? position : -1;
}

bool ActionStore::removeAt(int position, QString expectedId)
{
    const FileLock held = m_files.lock();
    reloadForChange();
    position = positionOf(position, expectedId);
    if (position < 0)
        return false;
    change([&](StoreChange& c) {
        // The section named by the stored id, not one formed again from the
        // shown date and time: with made-unique ids those differ.
        c.eraseSection(sectionName(m_records[position].id));
        m_records.removeAt(position);
        addLists(c);
    });
    return true;
}

QString ActionStore::replaceAt(int position, QString expectedId, const ScheduledAction& action,
                               bool periodicityChosen)
{
    requireStorable(action, action.pathText);
    const FileLock held = m_files.lock();
    reloadForChange();
    position = positionOf(position, expectedId);
    QString id;
    change([&](StoreChange& c) {
        if (position >= 0) {
            c.eraseSection(sectionName(m_records[position].id));
            m_records.removeAt(position);
        }
        // Made after the removal: an action changed in its path only keeps its id.
        id = appendRecord(action);
        addLists(c);
        c.writeSection(sectionName(id), editorKeys(action, periodicityChosen));
    });
    return id;
}

PeriodChecks ActionStore::storedPeriod(const IniFile& config, const QString& section)
{
    const std::optional<QString> code = config.value(section, u"Type_Per");
    if (!code)
        return kPeriodWhenMissing;
    return {.once = *code == u"1", .everyDay = *code == u"2", .chosenDays = *code == u"3"};
}

std::array<bool, 7> ActionStore::storedDays(const IniFile& config, const QString& section)
{
    std::array<bool, 7> days{};
    for (int day = 0; day < 7; ++day)
        days[day] = config.readString(section, kDayKeys[day], QStringLiteral("0")) == u"1";
    return days;
}

QString ActionStore::makeActionId(QDate date, QTime time)
{
    const QString dateText = timetext::dateToStr(date);
    if (time == QTime(0, 0))
        return dateText;
    return dateText + u' ' + timetext::timeToStr(time);
}

QString ActionStore::makeTemplateId(const QString& dateText, const QString& timeText)
{
    return dateText + u' ' + timeText;
}

} // namespace zentari
