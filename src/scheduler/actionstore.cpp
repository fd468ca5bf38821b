#include "actionstore.h"

#include "app/paths.h"

#include <QFile>
#include "platform/cp1251.h"
#include "platform/error.h"
#include "platform/errorreport.h"
#include "platform/storechange.h"
#include "platform/textlist.h"
#include "platform/timetext.h"

namespace zentari {
namespace {
constexpr std::array<QStringView, 7> kDayKeys = {u"Mon", u"Tue", u"Wed", u"Thu",
                                                 u"Fri", u"Sat", u"Sun"};
}

ActionStore::ActionStore(QString programDir) : m_programDir(std::move(programDir)) {}

QString ActionStore::listPath(QStringView fileName) const
{
    return paths::resolve(m_programDir, QString(QStringLiteral("data\\") + fileName));
}

void ActionStore::openStore()
{
    const QString conf = paths::confPath(m_programDir);
    if (paths::ensureConfigFile(conf))
        m_config = IniFile(conf);
    m_lists = Lists{};
}

QString ActionStore::pendingChangePath() const { return listPath(u"actions.pending"); }

IniFile& ActionStore::configForWriting()
{
    if (!m_config.isOpen()) {
        const QString conf = paths::confPath(m_programDir);
        paths::ensureConfigFile(conf);
        m_config = IniFile(conf);
    }
    return m_config;
}

void ActionStore::completePendingChange()
{
    if (QFile::exists(pendingChangePath()))
        StoreChange::completePending(pendingChangePath(), configForWriting());
}

void ActionStore::removeInterruptedWrites(const QString& programDir)
{
    StoreChange::removeInterruptedWrites(programDir, {QStringLiteral("conf.ini")});
    StoreChange::removeInterruptedWrites(paths::resolve(programDir, u"data"),
                                         {QStringLiteral(".zdt"), QStringLiteral(".pending")});
}

void ActionStore::loadAll()
{
    // A change a crash interrupted is completed before anything is read.
    completePendingChange();
    m_lists.actions = textlist::load(listPath(u"1Actions.zdt"));
    m_lists.paths = textlist::load(listPath(u"1Paths.zdt"));
    m_lists.times = textlist::load(listPath(u"1Times.zdt"));
    m_lists.dates = textlist::load(listPath(u"1Dates.zdt"));
    m_lists.ids = textlist::load(listPath(u"1Ids.zdt"));
}

qsizetype ActionStore::loadForTick(ErrorReport& report)
{
    m_lists = Lists{};
    try {
        completePendingChange();
    } catch (const Error& e) {
        report.reportOnce(e.message());
    }
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

void ActionStore::saveAll()
{
    StoreChange change(pendingChangePath());
    addLists(change);
    change.commit(configForWriting());
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

QString ActionStore::appendAction(const ScheduledAction& action, bool periodicityChosen)
{
    requireStorable(action, action.pathText);
    // Another writer may have appended since our copy was loaded.
    loadAll();
    const QString id = uniqueId(action.actionId);
    m_lists.paths.append(action.pathText);
    m_lists.actions.append(QString::number(action.typeCode));
    m_lists.times.append(action.timeText);
    m_lists.dates.append(action.dateText);
    m_lists.ids.append(id);

    auto keys = commonKeys(action, action.pathText);
    // Until the periodicity dialog has been closed once, the action is a one-off.
    keys.append({QStringLiteral("Type_Per"), periodicityChosen ? QString::number(action.period)
                                                                : QStringLiteral("1")});
    for (int day = 0; day < 7; ++day)
        keys.append({kDayKeys[day].toString(), action.days[day] ? QStringLiteral("1") : QStringLiteral("0")});
    StoreChange change(pendingChangePath());
    addLists(change);
    change.writeSection(sectionName(id), std::move(keys));
    change.commit(configForWriting());
    return id;
}

QString ActionStore::appendTemplateAction(const ScheduledAction& action, const QString& sectionPath)
{
    requireStorable(action, sectionPath);
    loadAll();
    const QString id = uniqueId(action.actionId);
    m_lists.actions.append(QString::number(action.typeCode));
    m_lists.times.append(action.timeText);
    m_lists.dates.append(action.dateText);
    m_lists.ids.append(id);
    m_lists.paths.append(action.pathText);

    auto keys = commonKeys(action, sectionPath);
    keys.append({QStringLiteral("Type_Per"), QStringLiteral("1")});
    StoreChange change(pendingChangePath());
    addLists(change);
    change.writeSection(sectionName(id), std::move(keys));
    change.commit(configForWriting());
    return id;
}

bool ActionStore::removeAt(int position, const QString& expectedId)
{
    loadAll();
    if (!expectedId.isNull() &&
        (position < 0 || position >= m_lists.ids.size() || m_lists.ids[position] != expectedId))
        position = int(m_lists.ids.indexOf(expectedId));
    const int count =
        int(std::min({m_lists.actions.size(), m_lists.paths.size(), m_lists.times.size(),
                      m_lists.dates.size(), m_lists.ids.size()}));
    if (position < 0 || position >= count)
        return false;
    // The section named by the stored id, not one formed again from the shown
    // date and time: with made-unique ids those differ.
    const QString section = sectionName(m_lists.ids[position]);
    m_lists.actions.removeAt(position);
    m_lists.paths.removeAt(position);
    m_lists.times.removeAt(position);
    m_lists.dates.removeAt(position);
    m_lists.ids.removeAt(position);
    StoreChange change(pendingChangePath());
    change.eraseSection(section);
    addLists(change);
    change.commit(configForWriting());
    return true;
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
