#include "snoozeledger.h"

#include "core/atomicfile.h"
#include "core/paths.h"

#include <QFile>
#include <algorithm>

namespace zentari {
namespace {

// The clock compares wall times: the ledger keeps the date and time as the
// clock showed them, whatever zone a QDateTime came in.
QDateTime wallSecond(const QDateTime& at)
{
    const QTime t = at.time();
    return QDateTime(at.date(), QTime(t.hour(), t.minute(), t.second()));
}

// Titles and file names may hold anything a line can; the separators cannot
// be in a field as they are.
QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            out += u"\\\\";
        else if (c == u'\t')
            out += u"\\t";
        else if (c == u'\n')
            out += u"\\n";
        else if (c == u'\r')
            out += u"\\r";
        else
            out += c;
    }
    return out;
}

QString unescaped(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const QChar next = text[++i];
        out += next == u't'   ? QChar(u'\t')
               : next == u'n' ? QChar(u'\n')
               : next == u'r' ? QChar(u'\r')
                              : next;
    }
    return out;
}

constexpr QStringView kReminderTag = u"reminder";
constexpr QStringView kSoundTag = u"sound";

} // namespace

SnoozeLedger::SnoozeLedger(const QString& programDir)
    : m_path(paths::resolve(programDir, u"data\\snoozed.txt"))
{
    read();
}

void SnoozeLedger::read()
{
    m_entries.clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // A small file: anything much larger is not one this program wrote.
    const QString text = QString::fromUtf8(file.read(1024 * 1024));
    for (QStringView line : QStringView(text).split(u'\n', Qt::SkipEmptyParts)) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QList<QStringView> fields = line.split(u'\t');
        if (fields.size() != 4)
            continue;
        PendingSnooze entry;
        if (fields[0] == kReminderTag)
            entry.kind = PendingSnooze::Kind::Reminder;
        else if (fields[0] == kSoundTag)
            entry.kind = PendingSnooze::Kind::AlarmSound;
        else
            continue;
        entry.due = QDateTime::fromString(fields[1].toString(), Qt::ISODate);
        entry.id = unescaped(fields[2]);
        entry.name = unescaped(fields[3]);
        if (!entry.due.isValid() || entry.id.isEmpty())
            continue;
        entry.due = wallSecond(entry.due);
        m_entries.removeIf(
            [&entry](const PendingSnooze& e) { return e.kind == entry.kind && e.id == entry.id; });
        m_entries.append(entry);
    }
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const PendingSnooze& a, const PendingSnooze& b) { return a.due < b.due; });
}

void SnoozeLedger::save() const
{
    QString text;
    for (const PendingSnooze& e : m_entries) {
        text += (e.kind == PendingSnooze::Kind::Reminder ? kReminderTag : kSoundTag);
        text += u'\t' + e.due.toString(Qt::ISODate) + u'\t' + escaped(e.id) + u'\t' +
                escaped(e.name) + u'\n';
    }
    writeFileAtomically(m_path, text.toUtf8());
}

void SnoozeLedger::add(PendingSnooze entry)
{
    entry.due = wallSecond(entry.due);
    const auto later =
        std::upper_bound(m_entries.begin(), m_entries.end(), entry.due,
                         [](const QDateTime& due, const PendingSnooze& e) { return due < e.due; });
    m_entries.insert(later, std::move(entry));
    save();
}

void SnoozeLedger::recordReminder(const QString& previousId, const QString& newId,
                                  const QString& title, const QDateTime& due)
{
    m_entries.removeIf([&](const PendingSnooze& e) {
        return e.kind == PendingSnooze::Kind::Reminder && (e.id == previousId || e.id == newId);
    });
    add({.kind = PendingSnooze::Kind::Reminder, .id = newId, .name = title, .due = due});
}

void SnoozeLedger::recordSound(const QString& actionId, const QString& file, const QDateTime& due)
{
    m_entries.removeIf([&](const PendingSnooze& e) {
        return e.kind == PendingSnooze::Kind::AlarmSound && e.id == actionId;
    });
    add({.kind = PendingSnooze::Kind::AlarmSound,
         .id = actionId,
         .name = soundName(file),
         .due = due});
}

QString SnoozeLedger::soundName(const QString& file)
{
    return QStringLiteral("Будильник (%1)").arg(paths::fileName(file));
}

void SnoozeLedger::prune(const QDateTime& now,
                         const std::function<bool(const PendingSnooze&)>& stored)
{
    const QDateTime wallNow = wallSecond(now);
    const qsizetype dropped =
        m_entries.removeIf([&](const PendingSnooze& e) { return e.due <= wallNow || !stored(e); });
    if (dropped > 0)
        save();
}

void SnoozeLedger::remove(PendingSnooze::Kind kind, const QString& id)
{
    if (m_entries.removeIf([&](const PendingSnooze& e) { return e.kind == kind && e.id == id; }) >
        0)
        save();
}

} // namespace zentari
