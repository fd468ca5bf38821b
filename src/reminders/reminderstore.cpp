#include "reminderstore.h"

#include "platform/errorreport.h"

#include "core/cp1251.h"
#include "core/error.h"
#include "core/inifile.h"
#include "core/paths.h"
#include "core/regularfile.h"
#include "core/storechange.h"
#include "core/textlist.h"
#include "core/timetext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

namespace zentari {
namespace {
quint64 nextRevision()
{
    static quint64 counter = 0;
    return ++counter;
}

// The file system's limit on one name, in bytes (ext4, btrfs, xfs, tmpfs).
constexpr qsizetype kNameMax = 255;
} // namespace

const QString ReminderStore::kInputError =
    QStringLiteral("Ошибка! Проверьте правильность ввода и наличие свободного места на диске");

ReminderStore::ReminderStore(QString programDir)
    : m_programDir(std::move(programDir)),
      m_files(paths::resolve(m_programDir, u"data\\"), QStringLiteral("reminders"),
              QStringLiteral("напоминаний"),
              {QStringLiteral("Titles.zdt"), QStringLiteral("Messes.zdt"),
               QStringLiteral("Times.zdt"), QStringLiteral("Dates.zdt"), QStringLiteral("IDs.zdt")})
{
}

QString ReminderStore::listPath(QStringView name) const
{
    return paths::resolve(m_programDir, QString(QStringLiteral("data\\") + name));
}

QString ReminderStore::textPathFor(const QString& reminderId) const
{
    return paths::resolve(m_programDir, QString(QStringLiteral("data\\Messages\\") + reminderId +
                                                QStringLiteral(".zdt")));
}

void ReminderStore::readLists()
{
    m_records.setColumn(&Reminder::timeText, textlist::load(listPath(u"Times.zdt")));
    m_records.setColumn(&Reminder::messagePath, textlist::load(listPath(u"Messes.zdt")));
    m_records.setColumn(&Reminder::reminderId, textlist::load(listPath(u"IDs.zdt")));
    const qsizetype both =
        std::min(m_records.lines(&Reminder::messagePath), m_records.lines(&Reminder::reminderId));
    for (qsizetype i = 0; i < both; ++i) {
        if (m_records[i].messagePath == textPathFor(m_records[i].reminderId))
            m_records.setLine(i, &Reminder::messagePath, QString());
    }
    m_records.setColumn(&Reminder::title, textlist::load(listPath(u"Titles.zdt")));
    m_records.setColumn(&Reminder::dateText, textlist::load(listPath(u"Dates.zdt")));
}

ReminderStore::Lists ReminderStore::lists() const
{
    return Lists{.times = m_records.column(&Reminder::timeText),
                 .messes = m_records.column(&Reminder::messagePath),
                 .dates = m_records.column(&Reminder::dateText),
                 .titles = m_records.column(&Reminder::title),
                 .ids = m_records.column(&Reminder::reminderId)};
}

void ReminderStore::loadReminders()
{
    m_records.clear();
    m_revision = nextRevision();
    ++m_loads;
    try {
        if (QFile::exists(m_files.recordPath())) {
            // Under the lock: the record may be another program's change in progress.
            const FileLock held = m_files.lock();
            IniFile none; // reminders have no conf.ini part
            m_files.completePending(none);
        }
        m_files.markCurrent();
        readLists();
    } catch (const Error& e) {
        m_loadProblem = e.message();
        throw;
    }
    m_loadProblem.clear();
}

void ReminderStore::loadAtStart(ErrorReport& report)
{
    // Said once, whatever becomes of the loading: a change a crash left that
    // could not be completed was set aside.
    const auto tellNotice = qScopeGuard([this, &report] {
        if (const QString notice = takeNotice(); !notice.isEmpty())
            report.reportOnce(notice);
    });
    try {
        loadReminders();
        m_loadedAtStart = true;
    } catch (const std::exception&) {
        m_loadedAtStart = false;
    }
}

void ReminderStore::prepareChange()
{
    if (m_loadProblem.isEmpty() && !m_files.changedOnDisk() && !QFile::exists(m_files.recordPath()))
        return;
    // Another program changed the lists (or this copy never read them whole).
    try {
        loadReminders();
    } catch (const RefusedError&) {
        throw;
    } catch (const Error& e) {
        throw m_files.refusal(e.message());
    }
}

QString ReminderStore::messagePath(const Reminder& r) const
{
    return r.messagePath.isNull() ? textPathFor(r.reminderId) : r.messagePath;
}

QStringList ReminderStore::storedMesses() const
{
    QStringList out;
    const qsizetype n = m_records.lines(&Reminder::messagePath);
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        out.append(messagePath(m_records[i]));
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
    if (const QString problem = storableValueProblem(title); !problem.isEmpty())
        return problem;
    return titleLengthProblem(title);
}

QString ReminderStore::titleLengthProblem(const QString& title)
{
    // The text file "<title><date>.zdt" is written as "<title><date>.zdt.XXXXXX"
    // first: that name too must fit.
    constexpr qsizetype kSuffixes = sizeof(".zdt.XXXXXX") - 1;
    const qsizetype room = kNameMax - kSuffixes - timetext::dateToStr(QDate(2000, 1, 1)).size();
    if (title.toUtf8().size() <= room)
        return {};
    int letters = 0;
    qsizetype used = 0;
    for (const char32_t c : title.toUcs4()) {
        used += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (used > room)
            break;
        ++letters;
    }
    const bool one = letters % 10 == 1 && letters % 100 != 11;
    return QStringLiteral("Название слишком длинное: не больше %1 %2")
        .arg(letters)
        .arg(one ? QStringLiteral("буквы") : QStringLiteral("букв"));
}

QString ReminderStore::textProblem(const QString& text)
{
    // Stored with CR LF line ends, one byte a letter.
    if (text.size() + text.count(u'\n') + 2 > maxTextSize)
        return QStringLiteral("Текст слишком длинный: не больше 1 МБ.");
    QString oneLine = text;
    oneLine.remove(u'\r').replace(u'\n', u' ');
    return storableValueProblem(oneLine);
}

bool ReminderStore::exists(const QString& title, QDate day) const
{
    // The list counts too: with its text file deleted from outside, a second
    // reminder of that id would share the new file with the first.
    const QString id = title + timetext::dateToStr(day);
    return indexOfId(id) >= 0 || QFile::exists(textPathFor(id));
}

int ReminderStore::indexOfId(const QString& id) const
{
    for (int i = 0; i < count(); ++i) {
        if (m_records[i].reminderId == id)
            return i;
    }
    return -1;
}

Reminder ReminderStore::at(int position) const
{
    Reminder r = m_records.value(position);
    r.messagePath = messagePath(r);
    return r;
}

QString ReminderStore::textFileOf(int position) const
{
    const Reminder r = m_records.value(position);
    if (!r.messagePath.isEmpty() && QFileInfo::exists(r.messagePath))
        return r.messagePath;
    return textPathFor(r.reminderId); // the usual path, or where the id names it
}

QString ReminderStore::readText(const QString& path)
{
    qint64 size = 0;
    const QByteArray bytes = readRegularFile(path, maxTextSize, &size);
    QString text = textlist::split(bytes).join(u'\n');
    if (size > maxTextSize)
        text += QStringLiteral("\n\n[Показан только первый 1 МБ текста: файл «%1» занимает %2 МБ.]")
                    .arg(path)
                    .arg(double(size) / (1024 * 1024), 0, 'f', 1);
    return text;
}

int ReminderStore::positionOf(int position, const QString& expectedId) const
{
    if (!expectedId.isNull() &&
        (position < 0 || position >= count() || m_records[position].reminderId != expectedId))
        position = indexOfId(expectedId);
    return position < m_records.whole() ? position : -1;
}

void ReminderStore::appendRecord(const QString& title, const QString& dateText, QTime timeOfDay)
{
    m_records.append(Reminder{.title = title,
                              .messagePath = QString(), // the usual path
                              .timeText = timetext::timeToStr(timeOfDay),
                              .dateText = dateText,
                              .reminderId = title + dateText});
}

void ReminderStore::makeTextFolder(const QString& textFile) const
{
    const QString folder = QFileInfo(textFile).absolutePath();
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("Не удалось создать папку «%1».").arg(folder));
}

template <typename Make> void ReminderStore::change(Make&& make)
{
    IniFile none; // reminders have no conf.ini part
    m_files.change(
        m_records, none,
        [&](StoreChange& c) {
            make(c);
            c.setList(listPath(u"Titles.zdt"), m_records.column(&Reminder::title));
            c.setList(listPath(u"Messes.zdt"), storedMesses());
            c.setList(listPath(u"Times.zdt"), m_records.column(&Reminder::timeText));
            c.setList(listPath(u"Dates.zdt"), m_records.column(&Reminder::dateText));
            c.setList(listPath(u"IDs.zdt"), m_records.column(&Reminder::reminderId));
        },
        // Partly made: the copy takes the lists as they now stand.
        [this] { loadReminders(); });
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
    const QString path = textPathFor(title + dateText);
    const FileLock held = m_files.lock();
    prepareChange();
    if (exists(title, day))
        return false;
    makeTextFolder(path);
    change([&](StoreChange& c) {
        appendRecord(title, dateText, timeOfDay);
        c.writeFile(path, textlist::join(text.isEmpty() ? QStringList() : text.split(u'\n')));
    });
    return true;
}

bool ReminderStore::replaceAt(int position, QString expectedId, const QString& title,
                              const QString& text, QDate day, QTime timeOfDay)
{
    for (const QString& problem : {titleProblem(title), textProblem(text)}) {
        if (!problem.isEmpty())
            throw Error(problem);
    }
    const QString dateText = timetext::dateToStr(day);
    const QString newId = title + dateText;
    const FileLock held = m_files.lock();
    prepareChange();
    position = positionOf(position, expectedId);
    const QString oldId = position >= 0 ? m_records[position].reminderId : QString();
    if (newId != oldId && exists(title, day))
        return false;
    const QString path = textPathFor(newId);
    makeTextFolder(path);
    change([&](StoreChange& c) {
        if (position >= 0) {
            c.removeFile(textPathFor(oldId));
            m_records.removeAt(position);
        }
        appendRecord(title, dateText, timeOfDay);
        // After the removal: a reminder changed in its text only keeps its file name.
        c.writeFile(path, textlist::join(text.isEmpty() ? QStringList() : text.split(u'\n')));
    });
    return true;
}

ReminderStore::Moved ReminderStore::moveTo(const QString& reminderId, const QDateTime& when,
                                           QString* movedId)
{
    const FileLock held = m_files.lock();
    prepareChange();
    const int position = indexOfId(reminderId);
    // A record short of a line in some list cannot be changed in its place.
    if (position < 0 || position >= m_records.whole())
        return Moved::Gone;
    const QString title = m_records[position].title;
    const QString dateText = timetext::dateToStr(when.date());
    const QString newId = title + dateText;
    const QString timeText = timetext::timeToStr(when.time());
    if (newId == reminderId) {
        change([&](StoreChange&) { m_records.setLine(position, &Reminder::timeText, timeText); });
        if (movedId)
            *movedId = newId;
        return Moved::Done;
    }
    if (exists(title, when.date()))
        return Moved::Taken;
    // The stored file, not the text shown: that may carry a heading.
    const QString oldFile = textFileOf(position);
    const bool hasText = QFileInfo(oldFile).isFile();
    const QByteArray bytes = hasText ? readRegularFile(oldFile, maxTextSize) : QByteArray();
    const QString newFile = textPathFor(newId);
    if (hasText)
        makeTextFolder(newFile);
    change([&](StoreChange& c) {
        if (hasText) {
            c.writeFile(newFile, bytes);
            // As the editor's change: a text kept elsewhere is not ours to delete.
            c.removeFile(textPathFor(reminderId));
        }
        m_records.setLine(position, &Reminder::timeText, timeText);
        m_records.setLine(position, &Reminder::dateText, dateText);
        m_records.setLine(position, &Reminder::reminderId, newId);
        m_records.setLine(position, &Reminder::messagePath, QString()); // the usual path
    });
    if (movedId)
        *movedId = newId;
    return Moved::Done;
}

bool ReminderStore::removeReminderAt(int position, QString expectedId)
{
    if (expectedId.isNull() && position < 0)
        return false;
    const FileLock held = m_files.lock();
    prepareChange();
    position = positionOf(position, expectedId);
    if (position < 0)
        return false;
    change([&](StoreChange& c) {
        c.removeFile(textPathFor(m_records[position].reminderId));
        m_records.removeAt(position);
    });
    return true;
}

void ReminderStore::saveReminders()
{
    const FileLock held = m_files.lock();
    prepareChange();
    change([](StoreChange&) {});
}

} // namespace zentari
