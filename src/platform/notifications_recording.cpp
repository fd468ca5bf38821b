#include "notifications_recording.h"

#include <QTimer>

namespace zentari {

void RecordingNotifications::notify(const Notification& notification, QObject* context,
                                    std::function<void(quint32 id)> done)
{
    posted.append(notification);
    quint32 id = 0;
    if (!serverCapabilities.isEmpty()) {
        m_log.append({QStringLiteral("notify"), notification.summary, notification.body});
        id = shown.contains(notification.replaces) ? notification.replaces : ++m_lastId;
        if (!shown.contains(id))
            shown.append(id);
        m_resident[id] = notification.resident;
    }
    QTimer::singleShot(0, context ? context : this, [done = std::move(done), id] {
        if (done)
            done(id);
    });
}

void RecordingNotifications::close(quint32 id)
{
    if (!shown.removeOne(id))
        return;
    m_log.append({QStringLiteral("notify-close"), QString::number(id)});
    Q_EMIT closed(id, 3);
}

void RecordingNotifications::capabilities(QObject* context,
                                          std::function<void(const QStringList&)> done)
{
    QTimer::singleShot(0, context ? context : this,
                       [done = std::move(done), list = serverCapabilities] {
                           if (done)
                               done(list);
                       });
}

void RecordingNotifications::simulateAction(quint32 id, const QString& key)
{
    if (!shown.contains(id))
        return;
    Q_EMIT actionInvoked(id, key);
    // As servers do: a notification goes once an action of it was chosen,
    // unless it asked to stay.
    if (!m_resident.value(id)) {
        shown.removeOne(id);
        Q_EMIT closed(id, 2);
    }
}

void RecordingNotifications::simulateDismiss(quint32 id)
{
    if (shown.removeOne(id))
        Q_EMIT closed(id, 2);
}

} // namespace zentari
