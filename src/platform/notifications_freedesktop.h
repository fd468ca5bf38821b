#pragma once

#include "platform/notifications.h"

#include <QDBusConnection>
#include <QSet>
#include <optional>

class QDBusPendingCallWatcher;

namespace zentari {

// Notifications over org.freedesktop.Notifications on the session bus. Every
// call is asynchronous with a short time-out, so the clock's thread never
// waits for a server that is slow or missing; without one nothing is shown.
// Only our own notifications' actions and closings are passed on: the
// server tells every client about everyone's.
class FreedesktopNotifications : public Notifications
{
    Q_OBJECT
public:
    // On the process's session bus, reached at the first call.
    explicit FreedesktopNotifications(QObject* parent = nullptr);
    explicit FreedesktopNotifications(QDBusConnection session, QObject* parent = nullptr);

    void notify(const Notification& notification, QObject* context,
                std::function<void(quint32 id)> done) override;
    void close(quint32 id) override;
    void capabilities(QObject* context, std::function<void(const QStringList&)> done) override;

    static constexpr int callTimeoutMs = 3000;

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& key);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection bus() const;
    void listen();
    QDBusPendingCallWatcher* call(const QString& method, const QVariantList& args);

    std::optional<QDBusConnection> m_bus;
    bool m_listening = false;
    QSet<quint32> m_ours;
};

} // namespace zentari
