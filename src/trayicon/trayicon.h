#pragma once

#include "core/error.h"
#include "trayservices.h"

#include <QFlags>
#include <QTimer>
#include <functional>

namespace zentari {

// The mouse gesture on the tray icon that restores the application or pops up the menu.
enum class TTrayIconMessage : quint8
{
    imClick,
    imDoubleClick,
    imMouseDown,
    imMouseUp,
    imLeftClickUp,
    imLeftDoubleClick,
    imRightClickUp,
    imRightDoubleClick,
    imNone, // matches no gesture
};

enum class TMouseButton
{
    mbLeft,
    mbRight,
    mbMiddle
};

enum TShiftStateFlag
{
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
};
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

enum class TOperation
{
    opInsert,
    opRemove
};

// There is no form designer: the two states its property rules depend on.
struct TComponentState
{
    bool designing = false; // no window, no shell calls; only the flags change
    bool loading = false;   // properties are being read; Loaded() ends it
};

// The notification area refused to add or to remove the icon.
class EOutOfResources : public Error
{
public:
    using Error::Error;
};

// An icon in the notification area that turns mouse gestures on it into events,
// restores the application or pops up a menu, and can animate over an image list.
class TTrayIcon
{
public:
    using TNotifyEvent = std::function<void(TTrayIcon& Sender)>;
    using TMouseEvent = std::function<void(TTrayIcon& Sender, TMouseButton Button,
                                           TShiftState Shift, int X, int Y)>;
    using TMouseMoveEvent = std::function<void(TTrayIcon& Sender, TShiftState Shift, int X, int Y)>;

    TTrayIcon(NotificationArea& area, TrayApplication& application, TComponentState state = {});
    virtual ~TTrayIcon();
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    bool Visible() const { return m_visible; }
    // Adds (true) or removes (false) the icon, whatever the previous state.
    // Throws EOutOfResources when the notification area refuses.
    virtual void SetVisible(bool Value);

    const QString& Hint() const { return m_hint; }
    // Texts of 64 characters or more are ignored.
    void SetHint(const QString& Value);

    TrayPopupMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(TrayPopupMenu* Value) { m_popupMenu = Value; }

    // Stored only: true after the icon was added, false after it was removed.
    bool Hide() const { return m_hide; }
    void SetHide(bool Value) { m_hide = Value; }

    TTrayIconMessage RestoreOn = TTrayIconMessage::imDoubleClick;
    TTrayIconMessage PopupMenuOn = TTrayIconMessage::imNone;

    TrayImageList* Icons() const { return m_icons; }
    // Detaching the list (nullptr) also stops the animation, which cannot go on without it.
    void SetIcons(TrayImageList* Value);

    int IconIndex() const { return m_iconIndex; }
    virtual void SetIconIndex(int Value);

    bool GetAnimate() const { return m_animate; }
    // Ignored without an image list, except while loading.
    void SetAnimate(bool Value);
    int GetAnimateInterval() const { return m_animateInterval; }
    void SetAnimateInterval(int Value);

    // The hidden window that receives the notification area's callbacks.
    quintptr GetHandle() const { return m_data.hWnd; }

    // The picture handed to the notification area.
    IconHandle Icon() const { return m_icon; }
    // Whether the animation timer runs.
    bool Animating() const { return m_timer.isActive(); }

    const TComponentState& ComponentState() const { return m_state; }

    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick; // a double click with any button
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

    virtual void Minimize();
    virtual void Restore();
    virtual void Update();
    virtual void ShowMenu();
    virtual void SetDefaultIcon();
    // Takes the icon out of the tray, leaving Visible and the hook as they are.
    void EndSession();

    static TShiftState ShiftState(const TrayApplication& application);

    // After all properties were set while loading.
    virtual void Loaded();
    // Told by the owner when a component this one refers to goes away.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

protected:
    virtual void DoMessage(TMessage& Message);
    virtual void DoClick();
    virtual void DoDblClick();
    virtual void DoMouseMove(TShiftState Shift, int X, int Y);
    virtual void DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void DoOnAnimate();
    bool ApplicationHookProc(TMessage& Message);

private:
    void handleMouseMessage(quint32 mouseMessage);
    void restoreOrShowMenuOn(TTrayIconMessage gesture);
    void installHook();
    void removeHook();
    void setTimerEnabled(bool enabled);

    NotificationArea& m_area;
    TrayApplication& m_application;
    TComponentState m_state;
    NotifyIconData m_data;
    IconHandle m_icon = 0;
    TrayImageList* m_icons = nullptr;
    TrayPopupMenu* m_popupMenu = nullptr;
    QTimer m_timer;
    bool m_timerEnabled = false;
    int m_animateInterval = 1000;
    QString m_hint;
    int m_iconIndex = 0;
    bool m_visible = false;
    bool m_hide = true;
    bool m_animate = false;
    bool m_hooked = false;
};

} // namespace zentari
