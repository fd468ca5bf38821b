#include "alarmnotices.h"

#include "core/paths.h"

#include <QStringList>
#include <utility>

namespace zentari {

namespace {

// Enough to tell one reminder from another; the window has the rest.
constexpr int kExcerptLines = 4;
constexpr int kExcerptLineLength = 120;

} // namespace

AlarmNotices::AlarmNotices(Notifications* notifications, Links links)
    : m_notifications(notifications), m_links(std::move(links)),
      m_context(std::make_unique<QObject>())
{
    if (!notifications)
        return;
    QObject::connect(notifications, &Notifications::actionInvoked, m_context.get(),
                     [this](quint32 id, const QString& key) { onAction(id, key); });
    QObject::connect(notifications, &Notifications::closed, m_context.get(),
                     [this](quint32 id, quint32 reason) { onClosed(id, reason); });
}

AlarmNotices::~AlarmNotices()
{
    withdraw(m_reminder);
    withdraw(m_sound);
}

QString AlarmNotices::excerpt(const QString& text)
{
    QStringList lines = text.trimmed().split(u'\n');
    bool more = false;
    if (lines.size() > kExcerptLines) {
        lines.resize(kExcerptLines);
        more = true;
    }
    for (QString& line : lines) {
        line = line.trimmed();
        if (line.size() > kExcerptLineLength) {
            // At a word's end where there is one not too far back.
            qsizetype cut = line.lastIndexOf(u' ', kExcerptLineLength);
            if (cut < kExcerptLineLength / 2)
                cut = kExcerptLineLength;
            line = line.left(cut).trimmed() + u'…';
        }
    }
    if (more && !lines.last().endsWith(u'…'))
        lines.last() += u'…';
    return lines.join(u'\n');
}

void AlarmNotices::reminderShown(const QString& title, const QString& text)
{
    // A window that closed without telling (it cannot now, but a new one
    // takes the place of the old) leaves no notification behind.
    withdraw(m_reminder);
    Notification note;
    note.summary = title;
    note.body = excerpt(text);
    note.actions = {{kDefault, QStringLiteral("Показать")},
                    {kSnooze, QStringLiteral("Отложить")},
                    {kClose, QStringLiteral("Закрыть")}};
    post(m_reminder, std::move(note));
}

void AlarmNotices::reminderEnded()
{
    withdraw(m_reminder);
}

void AlarmNotices::soundStarted(const QString& file)
{
    Notification note;
    note.summary = QStringLiteral("Будильник");
    note.body = paths::fileName(file);
    note.actions = {{kSnooze, QStringLiteral("Отложить")}, {kStop, QStringLiteral("Остановить")}};
    post(m_sound, std::move(note));
}

void AlarmNotices::soundEnded()
{
    withdraw(m_sound);
}

void AlarmNotices::post(Slot& slot, Notification note)
{
    const quint64 round = ++slot.round;
    slot.wanted = true;
    slot.acted = false;
    Notifications* notes = m_notifications;
    if (!notes || (m_links.enabled && !m_links.enabled()))
        return;
    note.urgency = Notification::Urgency::Critical;
    note.resident = true;
    note.desktopEntry = QStringLiteral("zentari");
    note.icon = QStringLiteral("zentari");
    // It lasts as long as the window or the sound does, and no longer.
    note.timeoutMs = 0;
    const auto current = [this, &slot, round] {
        return m_notifications && round == slot.round && slot.wanted;
    };
    notes->capabilities(m_context.get(), [this, &slot, current, note](const QStringList& can) {
        if (!current() || can.isEmpty())
            return;
        Notification shown = note;
        if (!can.contains(QStringLiteral("actions")))
            shown.actions.clear();
        if (can.contains(QStringLiteral("body-markup")))
            shown.body = shown.body.toHtmlEscaped();
        shown.replaces = slot.id;
        m_notifications->notify(shown, m_context.get(), [this, &slot, current](quint32 id) {
            if (id == 0)
                return;
            if (current()) {
                slot.id = id;
                return;
            }
            // What it told of ended before the server answered: it goes at
            // once, unless a later posting has taken its id over.
            if (m_notifications && id != slot.id)
                m_notifications->close(id);
        });
    });
}

void AlarmNotices::withdraw(Slot& slot)
{
    slot.wanted = false;
    const quint32 id = std::exchange(slot.id, 0);
    if (id != 0 && m_notifications)
        m_notifications->close(id);
}

void AlarmNotices::onAction(quint32 id, const QString& key)
{
    if (id == 0)
        return;
    if (id == m_reminder.id && m_reminder.wanted) {
        m_reminder.acted = true;
        if (key == kSnooze)
            call(m_links.snoozeReminder);
        else if (key == kClose)
            call(m_links.closeReminder);
        else if (key == kDefault)
            call(m_links.raiseReminder);
    } else if (id == m_sound.id && m_sound.wanted) {
        m_sound.acted = true;
        if (key == kSnooze)
            call(m_links.snoozeSound);
        else if (key == kStop)
            call(m_links.stopSound);
    }
}

void AlarmNotices::onClosed(quint32 id, quint32 reason)
{
    // Only the user's own dismissal ends what it tells of: a server that
    // takes a notification away after one of its buttons (resident or not)
    // has already had the button's say.
    constexpr quint32 kDismissed = 2;
    for (Slot* slot : {&m_reminder, &m_sound}) {
        if (id == 0 || id != slot->id)
            continue;
        slot->id = 0;
        if (reason != kDismissed || !slot->wanted || slot->acted)
            return;
        slot->wanted = false;
        call(slot == &m_reminder ? m_links.closeReminder : m_links.stopSound);
        return;
    }
}

} // namespace zentari
