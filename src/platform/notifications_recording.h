#pragma once

#include "notifications.h"
#include "recording.h"

#include <QHash>

namespace zentari {

// Records "notify" with the summary and the body, and "notify-close" with the
// id, instead of showing anything; the test plays the user's clicks. Ids count
// from 1; a notification that replaces a shown one keeps its id.
class RecordingNotifications : public Notifications
{
    Q_OBJECT
public:
    explicit RecordingNotifications(ActionLog& log, QObject* parent = nullptr)
        : Notifications(parent), m_log(log)
    {
    }

    void notify(const Notification& notification, QObject* context,
                std::function<void(quint32 id)> done) override;
    void close(quint32 id) override;
    void capabilities(QObject* context, std::function<void(const QStringList&)> done) override;

    // The user clicks the notification (key "default") or one of its buttons.
    void simulateAction(quint32 id, const QString& key);
    // The user dismisses it.
    void simulateDismiss(quint32 id);

    // What capabilities() answers; set it empty to play a desktop without a
    // notification server, where notify() shows nothing and answers 0.
    QStringList serverCapabilities{QStringLiteral("actions"), QStringLiteral("body")};
    // Every notification asked for, in order, and those shown now by id.
    QList<Notification> posted;
    QList<quint32> shown;

private:
    ActionLog& m_log;
    quint32 m_lastId = 0;
    QHash<quint32, bool> m_resident;
};

} // namespace zentari
