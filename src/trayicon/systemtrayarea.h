#pragma once

#include "icontable.h"
#include "trayicon/trayservices.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

namespace zentari {

// The notification area over QSystemTrayIcon (a StatusNotifierItem where the
// desktop has one, the XEmbed tray otherwise). Holds one icon.
class SystemTrayArea : public QObject, public NotificationArea
{
    Q_OBJECT

public:
    explicit SystemTrayArea(IconTable& icons, QObject* parent = nullptr);

    quintptr allocateWindow(MessageHandler handler) override;
    void deallocateWindow(quintptr window) override;
    // Fails when the desktop has no notification area.
    bool add(const NotifyIconData& data) override;
    // Fails when the icon is not shown, as the shell does.
    bool modify(const NotifyIconData& data) override;
    bool remove(const NotifyIconData& data) override;
    bool available() const override { return trayAvailable(); }

    // Whether the desktop has a notification area now; replaceable for tests.
    std::function<bool()> trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
    const QSystemTrayIcon& trayIcon() const { return m_tray; }

public Q_SLOTS:
    // Qt reports an activation on the press and no release: each reason
    // stands in for both the button's down and up messages.
    void onActivated(QSystemTrayIcon::ActivationReason reason);

private:
    void apply(const NotifyIconData& data);
    void send(quint32 mouseMessage);

    IconTable& m_icons;
    QSystemTrayIcon m_tray;
    QIcon m_fallbackIcon;
    MessageHandler m_handler;
    quintptr m_window = 0;
    quintptr m_lastWindow = 0;
    NotifyIconData m_data;
    bool m_shown = false;
    bool m_applied = false; // m_data has been handed to the tray icon at least once
};

} // namespace zentari
