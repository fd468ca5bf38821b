#include "notifications_freedesktop.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace zentari {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

QVariantMap hints(const Notification& notification)
{
    QVariantMap map;
    // A byte on the bus: servers ignore an urgency of any other type.
    map.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(notification.urgency)));
    if (notification.resident)
        map.insert(QStringLiteral("resident"), true);
    if (!notification.desktopEntry.isEmpty())
        map.insert(QStringLiteral("desktop-entry"), notification.desktopEntry);
    return map;
}

} // namespace

FreedesktopNotifications::FreedesktopNotifications(QObject* parent) : Notifications(parent) {}

FreedesktopNotifications::FreedesktopNotifications(QDBusConnection session, QObject* parent)
    : Notifications(parent), m_bus(std::move(session))
{
}

QDBusConnection FreedesktopNotifications::bus() const
{
    return m_bus ? *m_bus : QDBusConnection::sessionBus();
}

// The signals are asked for with the first notification, not at start: a
// clock that never notifies costs the bus nothing.
void FreedesktopNotifications::listen()
{
    if (m_listening)
        return;
    QDBusConnection session = bus();
    if (!session.isConnected())
        return;
    m_listening = true;
    session.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                    SLOT(onActionInvoked(uint, QString)));
    session.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                    SLOT(onClosed(uint, uint)));
}

QDBusPendingCallWatcher* FreedesktopNotifications::call(const QString& method,
                                                        const QVariantList& args)
{
    QDBusConnection session = bus();
    // A call on a connection that never was yields no answer at all: an
    // error stands in for it, so that every watcher finishes.
    if (!session.isConnected())
        return new QDBusPendingCallWatcher(
            QDBusPendingCall::fromError(
                QDBusError(QDBusError::Disconnected, session.lastError().message())),
            this);
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    return new QDBusPendingCallWatcher(session.asyncCall(message, callTimeoutMs), this);
}

void FreedesktopNotifications::notify(const Notification& notification, QObject* context,
                                      std::function<void(quint32 id)> done)
{
    listen();
    QStringList actions;
    for (const NotificationAction& action : notification.actions)
        actions << action.key << action.label;
    QDBusPendingCallWatcher* watcher =
        call(QStringLiteral("Notify"), {QStringLiteral("Zentari"), notification.replaces,
                                        notification.icon, notification.summary, notification.body,
                                        actions, hints(notification), notification.timeoutMs});
    // Ours before the caller hears of it, so that a click that follows at
    // once is passed on.
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (!reply.isError() && reply.value() != 0)
            m_ours.insert(reply.value());
    });
    connect(watcher, &QDBusPendingCallWatcher::finished, context ? context : this,
            [done = std::move(done)](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<uint> reply = *w;
                if (done)
                    done(reply.isError() ? 0 : reply.value());
            });
}

void FreedesktopNotifications::close(quint32 id)
{
    if (!m_ours.contains(id))
        return;
    QDBusPendingCallWatcher* watcher = call(QStringLiteral("CloseNotification"), {id});
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
}

void FreedesktopNotifications::capabilities(QObject* context,
                                            std::function<void(const QStringList&)> done)
{
    QDBusPendingCallWatcher* watcher = call(QStringLiteral("GetCapabilities"), {});
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
    connect(watcher, &QDBusPendingCallWatcher::finished, context ? context : this,
            [done = std::move(done)](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<QStringList> reply = *w;
                if (done)
                    done(reply.isError() ? QStringList() : reply.value());
            });
}

void FreedesktopNotifications::onActionInvoked(uint id, const QString& key)
{
    if (m_ours.contains(id))
        Q_EMIT actionInvoked(id, key);
}

void FreedesktopNotifications::onClosed(uint id, uint reason)
{
    if (m_ours.remove(id))
        Q_EMIT closed(id, reason);
}

} // namespace zentari
