#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

// Messages in the desktop's notification area, as its notification server
// shows them. The Linux back end is FreedesktopNotifications
// (notifications_freedesktop.h); RecordingNotifications
// (notifications_recording.h) stands in for it in tests and the dry run.
namespace zentari {

// A button of a notification. The key "default" is what clicking the
// notification itself invokes; servers show no button for it.
struct NotificationAction
{
    QString key;
    QString label;
    friend bool operator==(const NotificationAction&, const NotificationAction&) = default;
};

struct Notification
{
    enum class Urgency
    {
        Low = 0,
        Normal = 1,
        Critical = 2
    };

    QString summary;
    QString body;
    QList<NotificationAction> actions;
    Urgency urgency = Urgency::Normal;
    // Stays in the list after one of its actions was invoked, until closed.
    bool resident = false;
    // The .desktop file's name without ".desktop", so that the server groups
    // and names it as the program: "zentari".
    QString desktopEntry;
    // An icon theme's name ("zentari") or a file's absolute path.
    QString icon;
    // Milliseconds until it goes by itself: -1 as the server likes, 0 never.
    int timeoutMs = -1;
    // The id of an earlier notification of ours that this one replaces in
    // place, or 0 for a new one.
    quint32 replaces = 0;
};

class Notifications : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Shows the notification and calls `done` (never before returning; not at
    // all once `context`, or the service itself when it is null, is gone)
    // with its id, or with 0 when nothing is shown: no server, an error, or
    // no answer in time. The clock never waits for the server.
    virtual void notify(const Notification& notification, QObject* context,
                        std::function<void(quint32 id)> done) = 0;
    // Takes one of our notifications away; harmless when it has gone already.
    virtual void close(quint32 id) = 0;
    // Calls `done` as notify() does with what the server can do ("actions",
    // "body", "persistence", ...): an empty list when there is no server.
    virtual void capabilities(QObject* context, std::function<void(const QStringList&)> done) = 0;

Q_SIGNALS:
    // The user chose an action (its key) of one of our notifications.
    void actionInvoked(quint32 id, const QString& key);
    // One of our notifications went: 1 expired, 2 dismissed by the user,
    // 3 closed by close(), 4 anything else (the server's own codes).
    void closed(quint32 id, quint32 reason);
};

} // namespace zentari
