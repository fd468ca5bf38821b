#pragma once

#include "trayicon/trayservices.h"

#include <QMap>
#include <QStringList>
#include <optional>

// Stand-ins for the desktop under the tray icon. Everything they are asked to
// do is appended to one shared list of steps, so that tests can check order.
namespace zentari::test {

// As the shell does, a remove fails when no icon is in the tray; an add fails
// only when told to.
class FakeNotificationArea : public NotificationArea
{
public:
    explicit FakeNotificationArea(QStringList& steps) : m_steps(steps) {}

    quintptr allocateWindow(MessageHandler handler) override
    {
        m_handler = std::move(handler);
        return window;
    }
    void deallocateWindow(quintptr w) override
    {
        if (w == window)
            m_handler = nullptr;
        deallocated = true;
    }
    bool add(const NotifyIconData& data) override
    {
        m_steps.append(QStringLiteral("add"));
        records.append(data);
        if (refuseAdd)
            return false;
        inTray = true;
        return true;
    }
    bool modify(const NotifyIconData& data) override
    {
        m_steps.append(QStringLiteral("modify"));
        records.append(data);
        return inTray;
    }
    bool remove(const NotifyIconData& data) override
    {
        m_steps.append(QStringLiteral("remove"));
        records.append(data);
        if (refuseRemove || !inTray)
            return false;
        inTray = false;
        return true;
    }

    // The shell's callback for a mouse message; false when no window listens.
    bool mouse(quint32 mouseMessage)
    {
        const NotifyIconData& data = records.isEmpty() ? NotifyIconData{} : records.last();
        TMessage message{data.uCallbackMessage, data.uID, qintptr(mouseMessage), 0};
        return deliver(message);
    }
    // Any other message to the icon's window; the answer, or nothing when no window listens.
    std::optional<qintptr> send(quint32 msg)
    {
        TMessage message{msg, 0, 0, 0};
        if (!deliver(message))
            return std::nullopt;
        return message.Result;
    }
    int count(const QString& call) const { return int(m_steps.count(call)); }

    static constexpr quintptr window = 0x5150;
    QList<NotifyIconData> records;
    bool inTray = false;
    bool available() const override { return !refuseAdd; }
    bool refuseAdd = false;
    bool refuseRemove = false;
    bool deallocated = false;

private:
    bool deliver(TMessage& message)
    {
        if (!m_handler)
            return false;
        const MessageHandler handler = m_handler;
        handler(message);
        return true;
    }

    QStringList& m_steps;
    MessageHandler m_handler;
};

class FakeApplication : public TrayApplication
{
public:
    explicit FakeApplication(QStringList& steps) : m_steps(steps) {}

    void minimize() override { m_steps.append(QStringLiteral("minimize")); }
    void restore() override { m_steps.append(QStringLiteral("restore")); }
    quintptr applicationWindow() const override { return appWindow; }
    void showWindow(quintptr w, ShowCommand command) override
    {
        m_steps.append((command == ShowCommand::Hide ? QStringLiteral("hide ")
                                                     : QStringLiteral("show-restored ")) +
                       QString::number(w));
    }
    void setForegroundWindow(quintptr w) override
    {
        m_steps.append(QStringLiteral("foreground ") + QString::number(w));
    }
    quintptr activeFormWindow() const override { return activeForm; }
    QPoint cursorPos() const override { return cursor; }
    bool keyDown(ModifierKey key) const override { return keys.contains(key); }
    void hookMainWindow(quintptr id, WindowHook hook) override { hooks[id] = std::move(hook); }
    void unhookMainWindow(quintptr id) override { hooks.remove(id); }
    IconHandle applicationIcon() const override { return appIcon; }

    // The main window's system command through the hooks; whether any hook swallowed it.
    bool sysCommand(quintptr command)
    {
        const auto current = hooks;
        bool swallowed = false;
        for (const auto& hook : current) {
            TMessage message{msg::SysCommand, command, 0, 0};
            swallowed = hook(message) || swallowed;
        }
        return swallowed;
    }

    static constexpr quintptr appWindow = 7;
    static constexpr IconHandle appIcon = 100;
    quintptr activeForm = 0;
    QPoint cursor{640, 1010};
    QList<ModifierKey> keys;
    QMap<quintptr, WindowHook> hooks;

private:
    QStringList& m_steps;
};

class FakePopupMenu : public TrayPopupMenu
{
public:
    explicit FakePopupMenu(QStringList& steps) : m_steps(steps) {}
    void popup(int x, int y) override
    {
        m_steps.append(QStringLiteral("popup %1,%2").arg(x).arg(y));
    }

private:
    QStringList& m_steps;
};

// Icon i of the list is the handle 200 + i.
class FakeImageList : public TrayImageList
{
public:
    explicit FakeImageList(int count) : m_count(count) {}
    int count() const override { return m_count; }
    IconHandle icon(int index) const override
    {
        return index >= 0 && index < m_count ? IconHandle(200 + index) : 0;
    }

private:
    int m_count;
};

} // namespace zentari::test
