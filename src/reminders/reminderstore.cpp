#include "reminderstore.h"

#include "app/paths.h"
#include "platform/cp1251.h"
#include "platform/error.h"
#include "platform/inifile.h"
#include "platform/storechange.h"
#include "platform/textlist.h"
#include "platform/timetext.h"

#include <QFile>
#include <QFileInfo>

namespace zentari {
namespace {
quint64 nextRevision()
{
    static quint64 counter = 0;
    return ++counter;
}
} // namespace

const QString ReminderStore::kInputError =
    QStringLiteral("Ошибка! Проверьте правильность ввода и наличие свободного места на диске");

ReminderStore::ReminderStore(QString programDir) : m_programDir(std::move(programDir)) {}

QString ReminderStore::listPath(QStringView name) const
{
    return paths::resolve(m_programDir, QString(QStringLiteral("data\\") + name));
}

QString ReminderStore::pendingChangePath() const
{
    return listPath(u"reminders.pending");
}

QString ReminderStore::textPathFor(const QString& reminderId) const
{
    return paths::resolve(m_programDir, QString(QStringLiteral("data\\Messages\\") + reminderId +
                                                QStringLiteral(".zdt")));
}

void ReminderStore::completePendingChange()
{
    if (!QFile::exists(pendingChangePath()))
        return;
    IniFile none; // reminders have no conf.ini part
    StoreChange::completePending(pendingChangePath(), none);
}

void ReminderStore::loadReminders()
{
    m_lists = Lists{};
    m_revision = nextRevision();
    completePendingChange();
    m_lists.times = textlist::load(listPath(u"Times.zdt"));
    m_lists.messes = textlist::load(listPath(u"Messes.zdt"));
    m_lists.ids = textlist::load(listPath(u"IDs.zdt"));
    for (qsizetype i = 0; i < m_lists.messes.size() && i < m_lists.ids.size(); ++i) {
        if (m_lists.messes[i] == textPathFor(m_lists.ids[i]))
            m_lists.messes[i] = QString();
    }
    m_lists.titles = textlist::load(listPath(u"Titles.zdt"));
    m_lists.dates = textlist::load(listPath(u"Dates.zdt"));
}

QString ReminderStore::messagePath(int position) const
{
    const QString stored = m_lists.messes.value(position);
    return stored.isNull() ? textPathFor(m_lists.ids.value(position)) : stored;
}

QStringList ReminderStore::storedMesses() const
{
    QStringList out;
    out.reserve(m_lists.messes.size());
    for (int i = 0; i < m_lists.messes.size(); ++i)
        out.append(messagePath(i));
    return out;
}

QString ReminderStore::titleProblem(const QString& title)
{
    // The title becomes part of a file name in data/Messages/: nothing in it
    // may lead out of that folder. A backslash is refused too, so that the
    // stored files name the same folder on every system.
    for (QChar c : title) {
        if (c == u'/' || c == u'\\')
            return QStringLiteral("В названии нельзя использовать «%1»").arg(c);
    }
    return storableValueProblem(title);
}

QString ReminderStore::textProblem(const QString& text)
{
    QString oneLine = text;
    oneLine.remove(u'\r').replace(u'\n', u' ');
    return storableValueProblem(oneLine);
}

bool ReminderStore::exists(const QString& title, QDate day) const
{
    return QFile::exists(textPathFor(title + timetext::dateToStr(day)));
}

Reminder ReminderStore::at(int position) const
{
    auto line = [position](const QStringList& list) { return list.value(position); };
    return Reminder{line(m_lists.titles), messagePath(position), line(m_lists.times),
                    line(m_lists.dates), line(m_lists.ids)};
}

QString ReminderStore::textFileOf(int position) const
{
    const QString stored = m_lists.messes.value(position);
    if (!stored.isEmpty() && QFileInfo::exists(stored))
        return stored;
    return textPathFor(m_lists.ids.value(position)); // the usual path, or where the id names it
}

QString ReminderStore::readText(const QString& path)
{
    return textlist::load(path).join(u'\n');
}

void ReminderStore::commit(const QString& writtenFile, const QByteArray& bytes,
                           const QString& removedFile)
{
    StoreChange change(pendingChangePath());
    if (!writtenFile.isEmpty())
        change.writeFile(writtenFile, bytes);
    if (!removedFile.isEmpty())
        change.removeFile(removedFile);
    change.setList(listPath(u"Titles.zdt"), m_lists.titles);
    change.setList(listPath(u"Messes.zdt"), storedMesses());
    change.setList(listPath(u"Times.zdt"), m_lists.times);
    change.setList(listPath(u"Dates.zdt"), m_lists.dates);
    change.setList(listPath(u"IDs.zdt"), m_lists.ids);
    IniFile none;
    change.commit(none);
    m_revision = nextRevision();
}

bool ReminderStore::addReminder(const QString& title, const QString& text, QDate day,
                                QTime timeOfDay)
{
    for (const QString& problem : {titleProblem(title), textProblem(text)}) {
        if (!problem.isEmpty())
            throw Error(problem);
    }
    const QString dateText = timetext::dateToStr(day);
    const QString id = title + dateText;
    const QString path = textPathFor(id);
    if (QFile::exists(path))
        return false;
    const QByteArray bytes = textlist::join(text.isEmpty() ? QStringList() : text.split(u'\n'));

    const Lists before = m_lists;
    m_lists.messes.append(QString()); // the usual path
    m_lists.dates.append(dateText);
    m_lists.times.append(timetext::timeToStr(timeOfDay));
    m_lists.titles.append(title);
    m_lists.ids.append(id);
    try {
        commit(path, bytes, QString());
    } catch (...) {
        m_lists = before; // memory stays what the files are
        throw;
    }
    return true;
}

bool ReminderStore::removeReminderAt(int position)
{
    if (position < 0 || position >= count() || position >= m_lists.titles.size() ||
        position >= m_lists.messes.size() || position >= m_lists.dates.size() ||
        position >= m_lists.times.size())
        return false;
    const Lists before = m_lists;
    const QString file = textPathFor(m_lists.ids[position]);
    m_lists.titles.removeAt(position);
    m_lists.messes.removeAt(position);
    m_lists.dates.removeAt(position);
    m_lists.times.removeAt(position);
    m_lists.ids.removeAt(position);
    try {
        commit(QString(), {}, file);
    } catch (...) {
        m_lists = before;
        throw;
    }
    return true;
}

void ReminderStore::saveReminders()
{
    commit(QString(), {}, QString());
}

} // namespace zentari
