#include "listing.h"

namespace zentari::remote {
namespace {

QString field(QString text)
{
    return text.replace(u'\t', u' ');
}

QString line(std::initializer_list<QString> leading, const QString& last)
{
    QString out;
    for (const QString& f : leading)
        out += field(f) + u'\t';
    return out + last;
}

} // namespace

QString listLine(const ActionEntry& a)
{
    return line({QStringLiteral("action"), a.id, a.date, a.time, QString::number(a.type)}, a.path);
}

QString listLine(const ReminderEntry& r)
{
    return line({QStringLiteral("reminder"), r.id, r.date, r.time}, r.title);
}

QString listing(const QList<ActionEntry>& actions, const QList<ReminderEntry>& reminders)
{
    QString out;
    for (const ActionEntry& a : actions)
        out += listLine(a) + u'\n';
    for (const ReminderEntry& r : reminders)
        out += listLine(r) + u'\n';
    return out;
}

Removal resolveRemoval(const QString& id, const QStringList& actionIds,
                       const QStringList& reminderIds)
{
    const bool action = actionIds.contains(id);
    const bool reminder = reminderIds.contains(id);
    if (action && reminder)
        return {std::nullopt,
                QStringLiteral("Код «%1» носят и действие, и напоминание: удалите нужное в окне "
                               "часов.")
                    .arg(id)};
    if (action)
        return {EntryKind::Action, {}};
    if (reminder)
        return {EntryKind::Reminder, {}};
    return {std::nullopt,
            QStringLiteral("Нет ни действия, ни напоминания с кодом «%1» (коды — во втором "
                           "столбце --list).")
                .arg(id)};
}

} // namespace zentari::remote
