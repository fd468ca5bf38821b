#pragma once

#include <QPoint>
#include <QString>
#include <QtGlobal>
#include <functional>

// What a tray icon needs of the desktop, as small interfaces over the shell's
// notification area, the application, a popup menu and an image list. The
// message numbers are the Windows ones, so that the component's message table
// reads the same on every desktop; the Qt back ends translate to them.
namespace zentari {

// An icon known to the back end; the component only passes it on. 0 is no icon.
using IconHandle = quintptr;

// A message as a window procedure receives it; Result is the answer.
struct TMessage
{
    quint32 Msg = 0;
    quintptr WParam = 0;
    qintptr LParam = 0;
    qintptr Result = 0;
};

// Windows message and command numbers. Not named WM_* / SC_* so that they do
// not collide with <windows.h> macros in a future Windows back end.
namespace msg {
constexpr quint32 QueryEndSession = 0x0011;
constexpr quint32 EndSession = 0x0016;
constexpr quint32 SysCommand = 0x0112;
constexpr quint32 MouseMove = 0x0200;
constexpr quint32 LButtonDown = 0x0201;
constexpr quint32 LButtonUp = 0x0202;
constexpr quint32 LButtonDblClk = 0x0203;
constexpr quint32 RButtonDown = 0x0204;
constexpr quint32 RButtonUp = 0x0205;
constexpr quint32 RButtonDblClk = 0x0206;
constexpr quint32 MButtonDown = 0x0207;
constexpr quint32 MButtonUp = 0x0208;
constexpr quint32 MButtonDblClk = 0x0209;
constexpr quint32 User = 0x0400;
// The notification area's callback to the icon's window; LParam holds the mouse message.
constexpr quint32 TrayCallback = User + 1;
// WParam values of SysCommand.
constexpr quintptr ScMinimize = 0xF020;
constexpr quintptr ScRestore = 0xF120;
} // namespace msg

// uFlags bits of the notification record (the shell's NIF_MESSAGE, NIF_ICON, NIF_TIP).
enum NotifyIconFlag : quint32
{
    NifMessage = 0x1,
    NifIcon = 0x2,
    NifTip = 0x4,
};

// The record handed to the notification area on every add, modify and remove.
struct NotifyIconData
{
    quintptr hWnd = 0; // window that receives the callback messages
    quintptr uID = 0;  // the icon's identifier within hWnd
    quint32 uFlags = 0;
    quint32 uCallbackMessage = 0;
    IconHandle hIcon = 0;
    QString szTip; // only meaningful while uFlags has NifTip
};

using MessageHandler = std::function<void(TMessage&)>;
// Sees a message before its window does; true would swallow it.
using WindowHook = std::function<bool(TMessage&)>;

// The desktop's notification area (the system tray).
class NotificationArea
{
public:
    virtual ~NotificationArea() = default;
    // A hidden window whose every message, the area's callbacks included, goes to handler.
    virtual quintptr allocateWindow(MessageHandler handler) = 0;
    // After this no message reaches the handler any more.
    virtual void deallocateWindow(quintptr window) = 0;
    // Each returns false when the area refused.
    virtual bool add(const NotifyIconData& data) = 0;
    virtual bool modify(const NotifyIconData& data) = 0;
    virtual bool remove(const NotifyIconData& data) = 0;
    // Whether the desktop has a notification area now (one may appear later).
    virtual bool available() const = 0;
};

enum class ShowCommand
{
    Hide,
    Restore
}; // SW_HIDE, SW_RESTORE
enum class ModifierKey
{
    Shift,
    Control,
    Alt
};

// The running application as the tray icon acts on it. Window handles are
// the back end's; 0 means none.
class TrayApplication
{
public:
    virtual ~TrayApplication() = default;
    virtual void minimize() = 0;
    virtual void restore() = 0;
    // The window whose taskbar button stands for the application.
    virtual quintptr applicationWindow() const = 0;
    virtual void showWindow(quintptr window, ShowCommand command) = 0;
    virtual void setForegroundWindow(quintptr window) = 0;
    // The active form's window, 0 when no form is active.
    virtual quintptr activeFormWindow() const = 0;
    // Screen coordinates of the mouse cursor now.
    virtual QPoint cursorPos() const = 0;
    // Whether the key is held down now.
    virtual bool keyDown(ModifierKey key) const = 0;
    // Hooks see the main window's system commands (msg::SysCommand) first.
    // Installing under an id that is already hooked replaces that hook.
    virtual void hookMainWindow(quintptr id, WindowHook hook) = 0;
    virtual void unhookMainWindow(quintptr id) = 0;
    virtual IconHandle applicationIcon() const = 0;
};

// Something a component refers to without owning it; whoever removes it
// announces that through the component's Notification.
class TComponent
{
public:
    virtual ~TComponent() = default;
};

class TrayPopupMenu : public TComponent
{
public:
    // Pops the menu up at screen coordinates.
    virtual void popup(int x, int y) = 0;
};

class TrayImageList : public TComponent
{
public:
    virtual int count() const = 0;
    // The icon at index, 0 when there is none.
    virtual IconHandle icon(int index) const = 0;
};

} // namespace zentari
