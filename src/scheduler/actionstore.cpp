#include "actionstore.h"

#include "app/paths.h"
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

void ActionStore::loadAll()
{
    m_lists.actions = textlist::load(listPath(u"1Actions.zdt"));
    m_lists.paths = textlist::load(listPath(u"1Paths.zdt"));
    m_lists.times = textlist::load(listPath(u"1Times.zdt"));
    m_lists.dates = textlist::load(listPath(u"1Dates.zdt"));
    m_lists.ids = textlist::load(listPath(u"1Ids.zdt"));
}

void ActionStore::saveAll()
{
    textlist::save(listPath(u"1Actions.zdt"), m_lists.actions);
    textlist::save(listPath(u"1Ids.zdt"), m_lists.ids);
    textlist::save(listPath(u"1Paths.zdt"), m_lists.paths);
    textlist::save(listPath(u"1Times.zdt"), m_lists.times);
    textlist::save(listPath(u"1Dates.zdt"), m_lists.dates);
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

void ActionStore::writeCommonKeys(const QString& section, const ScheduledAction& a,
                                  const QString& path)
{
    m_config.writeString(section, u"Action", QString::number(a.typeCode));
    m_config.writeString(section, u"Date", a.dateText);
    m_config.writeString(section, u"Time", a.timeText);
    m_config.writeString(section, u"Path", path);
}

QString ActionStore::appendAction(const ScheduledAction& action, bool periodicityChosen)
{
    // Another writer may have appended since our copy was loaded.
    loadAll();
    const QString id = uniqueId(action.actionId);
    m_lists.paths.append(action.pathText);
    m_lists.actions.append(QString::number(action.typeCode));
    m_lists.times.append(action.timeText);
    m_lists.dates.append(action.dateText);
    m_lists.ids.append(id);
    saveAll();

    const QString section = sectionName(id);
    writeCommonKeys(section, action, action.pathText);
    m_config.writeString(section, u"Type_Per", QString::number(action.period));
    loadAll();
    for (int day = 0; day < 7; ++day)
        m_config.writeString(section, kDayKeys[day], action.days[day] ? u"1" : u"0");
    if (!periodicityChosen)
        m_config.writeString(section, u"Type_Per", u"1");
    return id;
}

QString ActionStore::appendTemplateAction(const ScheduledAction& action, const QString& sectionPath)
{
    loadAll();
    const QString id = uniqueId(action.actionId);
    m_lists.actions.append(QString::number(action.typeCode));
    m_lists.times.append(action.timeText);
    m_lists.dates.append(action.dateText);
    m_lists.ids.append(id);
    m_lists.paths.append(action.pathText);

    textlist::save(listPath(u"1Actions.zdt"), m_lists.actions);
    textlist::save(listPath(u"1Ids.zdt"), m_lists.ids);
    textlist::save(listPath(u"1Times.zdt"), m_lists.times);
    textlist::save(listPath(u"1Dates.zdt"), m_lists.dates);
    textlist::save(listPath(u"1Paths.zdt"), m_lists.paths);

    const QString section = sectionName(id);
    writeCommonKeys(section, action, sectionPath);
    m_config.writeString(section, u"Type_Per", u"1");
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
    m_config.eraseSection(sectionName(m_lists.ids[position]));
    m_lists.actions.removeAt(position);
    m_lists.paths.removeAt(position);
    m_lists.times.removeAt(position);
    m_lists.dates.removeAt(position);
    m_lists.ids.removeAt(position);
    saveAll();
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
