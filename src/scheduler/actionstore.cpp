#include "actionstore.h"

#include "core/paths.h"
#include "core/cp1251.h"
#include "core/error.h"
#include "platform/errorreport.h"
#include "core/storechange.h"
#include "core/textlist.h"
#include "core/timetext.h"

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
    m_lists = Lists{};
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
    m_lists.actions = textlist::load(listPath(u"1Actions.zdt"));
    m_lists.paths = textlist::load(listPath(u"1Paths.zdt"));
    m_lists.times = textlist::load(listPath(u"1Times.zdt"));
    m_lists.dates = textlist::load(listPath(u"1Dates.zdt"));
    m_lists.ids = textlist::load(listPath(u"1Ids.zdt"));
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
        m_lists = Lists{};
        readLists();
    } catch (const RefusedError&) {
        throw;
    } catch (const Error& e) {
        throw m_files.refusal(e.message());
    }
}

qsizetype ActionStore::loadForTick(ErrorReport& report)
{
    m_lists = Lists{};
    try {
        completePendingChange();
    } catch (const Error& e) {
        report.reportOnce(e.message());
    }
    if (const QString notice = m_files.takeNotice(); !notice.isEmpty())
        report.reportOnce(notice);
    try {
        m_lists.ids = textlist::loadOrEmpty(listPath(u"1Ids.zdt"));
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

void ActionStore::commit(const StoreChange& change, const Lists& before)
{
    try {
        m_files.commit(change, configForWriting());
    } catch (const UnfinishedChange&) {
        // Partly made: the copy takes the lists as they now stand.
        m_lists = Lists{};
        try {
            readLists();
        } catch (const Error&) {
        }
        throw;
    } catch (...) {
        m_lists = before; // nothing was made
        throw;
    }
}

void ActionStore::saveAll()
{
    const FileLock held = m_files.lock();
    StoreChange change(m_files.recordPath());
    addLists(change);
    commit(change, m_lists);
}

void ActionStore::addLists(StoreChange& change) const
{
    change.setList(listPath(u"1Actions.zdt"), m_lists.actions);
    change.setList(listPath(u"1Ids.zdt"), m_lists.ids);
    change.setList(listPath(u"1Paths.zdt"), m_lists.paths);
    change.setList(listPath(u"1Times.zdt"), m_lists.times);
    change.setList(listPath(u"1Dates.zdt"), m_lists.dates);
}

QString ActionStore::uniqueId(const QString& id) const
{
    if (!m_lists.ids.contains(id))
        return id;
    for (int n = 2;; ++n) {
        const QString candidate = id + QStringLiteral(" #") + QString::number(n);
        if (!m_lists.ids.contains(candidate))
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

QList<std::pair<QString, QString>> ActionStore::commonKeys(const ScheduledAction& a, const QString& path)
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

QString ActionStore::appendToLists(const ScheduledAction& action)
{
    const QString id = uniqueId(action.actionId);
    m_lists.paths.append(action.pathText);
    m_lists.actions.append(QString::number(action.typeCode));
    m_lists.times.append(action.timeText);
    m_lists.dates.append(action.dateText);
    m_lists.ids.append(id);
    return id;
}

QString ActionStore::appendAction(const ScheduledAction& action, bool periodicityChosen)
{
    requireStorable(action, action.pathText);
    const FileLock held = m_files.lock();
    // Another writer may have appended since our copy was loaded.
    reloadForChange();
    const Lists before = m_lists;
    const QString id = appendToLists(action);
    StoreChange change(m_files.recordPath());
    addLists(change);
    change.writeSection(sectionName(id), editorKeys(action, periodicityChosen));
    commit(change, before);
    return id;
}

QString ActionStore::appendTemplateAction(const ScheduledAction& action, const QString& sectionPath)
{
    requireStorable(action, sectionPath);
    const FileLock held = m_files.lock();
    reloadForChange();
    const Lists before = m_lists;
    const QString id = appendToLists(action);
    auto keys = commonKeys(action, sectionPath);
    keys.append({QStringLiteral("Type_Per"), QStringLiteral("1")});
    StoreChange change(m_files.recordPath());
    addLists(change);
    change.writeSection(sectionName(id), std::move(keys));
    commit(change, before);
    return id;
}

int ActionStore::positionOf(int position, const QString& expectedId) const
{
    if (!expectedId.isNull() &&
        (position < 0 || position >= m_lists.ids.size() || m_lists.ids[position] != expectedId))
        position = int(m_lists.ids.indexOf(expectedId));
    const int count =
        int(std::min({m_lists.actions.size(), m_lists.paths.size(), m_lists.times.size(),
                      m_lists.dates.size(), m_lists.ids.size()}));
    return position < count ? position : -1;
}

bool ActionStore::removeAt(int position, QString expectedId)
{
    const FileLock held = m_files.lock();
    reloadForChange();
    position = positionOf(position, expectedId);
    if (position < 0)
        return false;
    const Lists before = m_lists;
    // The section named by the stored id, not one formed again from the shown
    // date and time: with made-unique ids those differ.
    const QString section = sectionName(m_lists.ids[position]);
    m_lists.actions.removeAt(position);
    m_lists.paths.removeAt(position);
    m_lists.times.removeAt(position);
    m_lists.dates.removeAt(position);
    m_lists.ids.removeAt(position);
    StoreChange change(m_files.recordPath());
    change.eraseSection(section);
    addLists(change);
    commit(change, before);
    return true;
}

QString ActionStore::replaceAt(int position, QString expectedId, const ScheduledAction& action,
                               bool periodicityChosen)
{
    requireStorable(action, action.pathText);
    const FileLock held = m_files.lock();
    reloadForChange();
    const Lists before = m_lists;
    StoreChange change(m_files.recordPath());
    position = positionOf(position, expectedId);
    if (position >= 0) {
        change.eraseSection(sectionName(m_lists.ids[position]));
        m_lists.actions.removeAt(position);
        m_lists.paths.removeAt(position);
        m_lists.times.removeAt(position);
        m_lists.dates.removeAt(position);
        m_lists.ids.removeAt(position);
    }
    // Made after the removal: an action changed in its path only keeps its id.
    const QString id = appendToLists(action);
    addLists(change);
    change.writeSection(sectionName(id), editorKeys(action, periodicityChosen));
    commit(change, before);
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
