#include "clockwindowapplication.h"

#include "platform/services.h"

#include <QApplication>
#include <QCursor>
#include <QScopedValueRollback>
#include <QWindowStateChangeEvent>
#include <algorithm>

namespace zentari {

ClockWindowApplication::ClockWindowApplication(QWidget* clockWindow, WindowSystem* windows,
                                               IconTable& icons, QObject* parent)
    : QObject(parent), m_window(clockWindow), m_windows(windows), m_icons(icons)
{
    if (m_window)
        m_window->installEventFilter(this);
}

ClockWindowApplication::~ClockWindowApplication()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

void ClockWindowApplication::minimize()
{
    if (!m_window)
        return;
    const QScopedValueRollback acting(m_acting, true);
    m_window->hide();
}

void ClockWindowApplication::restore()
{
    if (!m_window)
        return;
    const QScopedValueRollback acting(m_acting, true);
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

quintptr ClockWindowApplication::applicationWindow() const
{
    return m_window ? quintptr(m_window->winId()) : 0;
}

void ClockWindowApplication::showWindow(quintptr window, ShowCommand command)
{
    if (!m_windows || window == 0 || window != applicationWindow())
        return;
    m_windows->setSkipTaskbar(window, command == ShowCommand::Hide);
}

void ClockWindowApplication::setForegroundWindow(quintptr window)
{
    QWidget* widget = window ? QWidget::find(WId(window)) : nullptr;
    if (!widget)
        return;
    widget->raise();
    widget->activateWindow();
}

quintptr ClockWindowApplication::activeFormWindow() const
{
    const QWidget* active = QApplication::activeWindow();
    return active ? quintptr(active->internalWinId()) : 0;
}

QPoint ClockWindowApplication::cursorPos() const
{
    return QCursor::pos();
}

bool ClockWindowApplication::keyDown(ModifierKey key) const
{
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    switch (key) {
    case ModifierKey::Shift:
        return modifiers.testFlag(Qt::ShiftModifier);
    case ModifierKey::Control:
        return modifiers.testFlag(Qt::ControlModifier);
    case ModifierKey::Alt:
        return modifiers.testFlag(Qt::AltModifier);
    }
    return false;
}

void ClockWindowApplication::hookMainWindow(quintptr id, WindowHook hook)
{
    const auto found = std::find_if(m_hooks.begin(), m_hooks.end(),
                                    [id](const auto& entry) { return entry.first == id; });
    if (found != m_hooks.end())
        found->second = std::move(hook);
    else
        m_hooks.emplace_back(id, std::move(hook));
}

void ClockWindowApplication::unhookMainWindow(quintptr id)
{
    std::erase_if(m_hooks, [id](const auto& entry) { return entry.first == id; });
}

IconHandle ClockWindowApplication::applicationIcon() const
{
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) {
        if (m_drawnIcon.isNull())
            m_drawnIcon = drawnClockIcon();
        icon = m_drawnIcon;
    }
    return m_icons.handle(icon);
}

bool ClockWindowApplication::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::WindowStateChange && !m_acting) {
        const bool was =
            static_cast<QWindowStateChangeEvent*>(event)->oldState().testFlag(Qt::WindowMinimized);
        const bool is = m_window->windowState().testFlag(Qt::WindowMinimized);
        if (!was && is)
            sendSysCommand(msg::ScMinimize);
        else if (was && !is)
            sendSysCommand(msg::ScRestore);
    }
    return QObject::eventFilter(watched, event);
}

void ClockWindowApplication::sendSysCommand(quintptr command)
{
    // A hook may unhook itself, or others, while it runs.
    const auto hooks = m_hooks;
    for (const auto& entry : hooks) {
        const quintptr id = entry.first;
        const bool stillHooked = std::any_of(m_hooks.begin(), m_hooks.end(),
                                             [id](const auto& other) { return other.first == id; });
        if (!stillHooked)
            continue;
        TMessage message;
        message.Msg = msg::SysCommand;
        message.WParam = command;
        if (entry.second(message))
            break;
    }
}

} // namespace zentari
