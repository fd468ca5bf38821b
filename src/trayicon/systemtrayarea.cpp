#include "systemtrayarea.h"

#include <QPointer>
#include <vector>

namespace zentari {

SystemTrayArea::SystemTrayArea(IconTable& icons, QObject* parent)
    : QObject(parent), m_icons(icons), m_tray(this)
{
    // No setContextMenu(): Qt would pop that menu up by itself, beside the
    // one the component shows for its own trigger.
    connect(&m_tray, &QSystemTrayIcon::activated, this, &SystemTrayArea::onActivated);
}

quintptr SystemTrayArea::allocateWindow(MessageHandler handler)
{
    m_handler = std::move(handler);
    m_window = ++m_lastWindow;
    return m_window;
}

void SystemTrayArea::deallocateWindow(quintptr window)
{
    if (window == 0 || window != m_window)
        return;
    m_handler = nullptr;
    m_window = 0;
}

bool SystemTrayArea::add(const NotifyIconData& data)
{
    if (!trayAvailable())
        return false;
    apply(data);
    m_tray.show();
    m_shown = true;
    return true;
}

bool SystemTrayArea::modify(const NotifyIconData& data)
{
    if (!m_shown)
        return false;
    apply(data);
    return true;
}

bool SystemTrayArea::remove(const NotifyIconData&)
{
    if (!m_shown)
        return false;
    m_tray.hide();
    m_shown = false;
    return true;
}

void SystemTrayArea::apply(const NotifyIconData& data)
{
    // The clock refreshes its tooltip every second; handing the same icon over
    // again would repaint the tray every second too.
    const bool iconChanged = !m_applied || (data.uFlags & NifIcon) != (m_data.uFlags & NifIcon) ||
                             data.hIcon != m_data.hIcon;
    const QString tip = (data.uFlags & NifTip) ? data.szTip : QString();
    m_data = data;
    if (iconChanged) {
        QIcon icon = (data.uFlags & NifIcon) ? m_icons.icon(data.hIcon) : QIcon();
        if (icon.isNull()) {
            if (m_fallbackIcon.isNull())
                m_fallbackIcon = drawnClockIcon();
            icon = m_fallbackIcon;
        }
        m_tray.setIcon(icon);
    }
    if (!m_applied || tip != m_tray.toolTip())
        m_tray.setToolTip(tip);
    m_applied = true;
}

void SystemTrayArea::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    std::vector<quint32> messages;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        messages = {msg::LButtonDown, msg::LButtonUp};
        break;
    case QSystemTrayIcon::DoubleClick:
        messages = {msg::LButtonDblClk};
        break;
    case QSystemTrayIcon::Context:
        messages = {msg::RButtonDown, msg::RButtonUp};
        break;
    case QSystemTrayIcon::MiddleClick:
        messages = {msg::MButtonDown, msg::MButtonUp};
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
    // What a message sets off may free the window or this area itself.
    const QPointer<SystemTrayArea> self(this);
    const quintptr window = m_window;
    for (const quint32 message : messages) {
        if (!self || m_window != window)
            return;
        send(message);
    }
}

void SystemTrayArea::send(quint32 mouseMessage)
{
    if (!m_handler || !(m_data.uFlags & NifMessage))
        return;
    TMessage message;
    message.Msg = m_data.uCallbackMessage;
    message.WParam = m_data.uID;
    message.LParam = qintptr(mouseMessage);
    // A copy: the handler may deallocate the window while it runs.
    const MessageHandler handler = m_handler;
    handler(message);
}

} // namespace zentari
