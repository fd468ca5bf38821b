#include "trayicon.h"

namespace zentari {

namespace {
constexpr int MaxHintLength = 63;
constexpr int TipFieldLength = 127;
} // namespace

TTrayIcon::TTrayIcon(NotificationArea& area, TrayApplication& application, TComponentState state)
    : m_area(area), m_application(application), m_state(state)
{
    m_icon = m_application.applicationIcon();
    m_timer.callOnTimeout([this] { DoOnAnimate(); });
    if (m_state.designing)
        return;
    m_data = {};
    m_data.hWnd = m_area.allocateWindow([this](TMessage& message) { DoMessage(message); });
    m_data.uID = reinterpret_cast<quintptr>(this);
    m_data.hIcon = m_icon;
    m_data.uFlags = NifMessage | NifIcon;
    m_data.uCallbackMessage = msg::TrayCallback;
    Update();
}

TTrayIcon::~TTrayIcon()
{
    m_timer.stop();
    if (!m_state.designing) {
        m_area.remove(m_data);
        m_area.deallocateWindow(m_data.hWnd);
    }
    // The application outlives us; a hook left behind would call into freed memory.
    removeHook();
}

void TTrayIcon::SetVisible(bool Value)
{
    m_visible = Value;
    if (m_state.designing)
        return;
    if (Value) {
        if (!m_area.add(m_data))
            throw EOutOfResources(QStringLiteral("Cannot Create System Shell Notification Icon"));
        SetHide(true);
        installHook();
    } else {
        if (!m_area.remove(m_data))
            throw EOutOfResources(QStringLiteral("Cannot Remove System Shell Notification Icon"));
        SetHide(false);
        removeHook();
    }
}

void TTrayIcon::SetHint(const QString& Value)
{
    if (Value == m_hint || Value.size() > MaxHintLength)
        return;
    m_hint = Value;
    m_data.szTip = Value.left(TipFieldLength);
    if (Value.isEmpty())
        m_data.uFlags &= ~quint32(NifTip);
    else
        m_data.uFlags |= NifTip;
    Update();
}

void TTrayIcon::SetIcons(TrayImageList* Value)
{
    m_icons = Value;
    if (!m_icons) {
        m_animate = false;
        setTimerEnabled(false);
    }
}

void TTrayIcon::SetIconIndex(int Value)
{
    m_iconIndex = Value;
    if (m_icons)
        m_icon = m_icons->icon(m_iconIndex);
    Update();
}

void TTrayIcon::SetAnimate(bool Value)
{
    if (m_icons || m_state.loading)
        m_animate = Value;
    if (m_icons && !m_state.designing)
        setTimerEnabled(Value);
}

void TTrayIcon::SetAnimateInterval(int Value)
{
    m_animateInterval = qMax(0, Value);
    setTimerEnabled(m_timerEnabled);
}

void TTrayIcon::Minimize()
{
    m_application.minimize();
    m_application.showWindow(m_application.applicationWindow(), ShowCommand::Hide);
    if (OnMinimize)
        OnMinimize(*this);
}

void TTrayIcon::Restore()
{
    m_application.restore();
    const quintptr window = m_application.applicationWindow();
    m_application.showWindow(window, ShowCommand::Restore);
    m_application.setForegroundWindow(window);
    if (OnRestore)
        OnRestore(*this);
}

void TTrayIcon::Update()
{
    if (m_state.designing)
        return;
    m_data.hIcon = m_icon;
    if (m_visible)
        m_area.modify(m_data);
}

void TTrayIcon::ShowMenu()
{
    if (!m_popupMenu)
        return;
    const QPoint cursor = m_application.cursorPos();
    if (const quintptr form = m_application.activeFormWindow())
        m_application.setForegroundWindow(form);
    m_popupMenu->popup(cursor.x(), cursor.y());
}

void TTrayIcon::SetDefaultIcon()
{
    m_icon = m_application.applicationIcon();
    Update();
}

void TTrayIcon::EndSession()
{
    m_area.remove(m_data);
}

TShiftState TTrayIcon::ShiftState(const TrayApplication& application)
{
    TShiftState shift;
    if (application.keyDown(ModifierKey::Shift))
        shift |= ssShift;
    if (application.keyDown(ModifierKey::Control))
        shift |= ssCtrl;
    if (application.keyDown(ModifierKey::Alt))
        shift |= ssAlt;
    return shift;
}

void TTrayIcon::Loaded()
{
    m_state.loading = false;
    if (m_icons) {
        setTimerEnabled(m_animate);
        m_icon = m_icons->icon(m_iconIndex);
    } else {
        m_animate = false;
        m_icon = m_application.applicationIcon();
    }
    Update();
}

void TTrayIcon::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation != TOperation::opRemove || !AComponent)
        return;
    if (AComponent == m_icons)
        SetIcons(nullptr);
    else if (AComponent == m_popupMenu)
        m_popupMenu = nullptr;
}

void TTrayIcon::DoMessage(TMessage& Message)
{
    switch (Message.Msg) {
    case msg::QueryEndSession:
        Message.Result = 1;
        break;
    case msg::EndSession:
        EndSession();
        break;
    case msg::TrayCallback:
        handleMouseMessage(quint32(Message.LParam));
        break;
    default:
        break;
    }
}

void TTrayIcon::handleMouseMessage(quint32 mouseMessage)
{
    // The position is where the cursor is now, not where the message says.
    const QPoint cursor = m_application.cursorPos();
    const int x = cursor.x();
    const int y = cursor.y();
    const TShiftState keys = ShiftState(m_application);
    switch (mouseMessage) {
    case msg::MouseMove:
        if (OnMouseMove)
            DoMouseMove(keys, x, y);
        break;
    case msg::LButtonDown:
        DoMouseDown(TMouseButton::mbLeft, keys | ssLeft, x, y);
        break;
    case msg::LButtonUp:
        if (OnClick)
            DoClick();
        DoMouseUp(TMouseButton::mbLeft, keys | ssLeft, x, y);
        restoreOrShowMenuOn(TTrayIconMessage::imLeftClickUp);
        break;
    case msg::LButtonDblClk:
        DoDblClick();
        restoreOrShowMenuOn(TTrayIconMessage::imLeftDoubleClick);
        break;
    case msg::RButtonDown:
        DoMouseDown(TMouseButton::mbRight, keys | ssRight, x, y);
        break;
    case msg::RButtonUp:
        DoMouseUp(TMouseButton::mbRight, keys | ssRight, x, y);
        restoreOrShowMenuOn(TTrayIconMessage::imRightClickUp);
        break;
    case msg::RButtonDblClk:
        DoDblClick();
        restoreOrShowMenuOn(TTrayIconMessage::imRightDoubleClick);
        break;
    case msg::MButtonDown:
        DoMouseDown(TMouseButton::mbMiddle, keys | ssMiddle, x, y);
        break;
    case msg::MButtonUp:
        DoMouseUp(TMouseButton::mbMiddle, keys | ssMiddle, x, y);
        break;
    case msg::MButtonDblClk:
        DoDblClick();
        break;
    default:
        break;
    }
}

void TTrayIcon::restoreOrShowMenuOn(TTrayIconMessage gesture)
{
    if (RestoreOn == gesture)
        Restore();
    if (PopupMenuOn == gesture)
        ShowMenu();
}

void TTrayIcon::DoClick()
{
    restoreOrShowMenuOn(TTrayIconMessage::imClick);
    if (OnClick)
        OnClick(*this);
}

void TTrayIcon::DoDblClick()
{
    restoreOrShowMenuOn(TTrayIconMessage::imDoubleClick);
    if (OnDblClick)
        OnDblClick(*this);
}

void TTrayIcon::DoMouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove)
        OnMouseMove(*this, Shift, X, Y);
}

void TTrayIcon::DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    restoreOrShowMenuOn(TTrayIconMessage::imMouseDown);
    if (OnMouseDown)
        OnMouseDown(*this, Button, Shift, X, Y);
}

void TTrayIcon::DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    restoreOrShowMenuOn(TTrayIconMessage::imMouseUp);
    if (OnMouseUp)
        OnMouseUp(*this, Button, Shift, X, Y);
}

void TTrayIcon::DoOnAnimate()
{
    if (!m_icons) { // the list went away under a running timer
        setTimerEnabled(false);
        return;
    }
    SetIconIndex(m_iconIndex < m_icons->count() - 1 ? m_iconIndex + 1 : 0);
    Update();
}

bool TTrayIcon::ApplicationHookProc(TMessage& Message)
{
    if (Message.Msg == msg::SysCommand) {
        if (Message.WParam == msg::ScMinimize)
            Minimize();
        else if (Message.WParam == msg::ScRestore)
            Restore();
    }
    return false; // the application's own handling goes on
}

void TTrayIcon::installHook()
{
    if (m_hooked)
        return;
    m_application.hookMainWindow(reinterpret_cast<quintptr>(this), [this](TMessage& message) {
        return ApplicationHookProc(message);
    });
    m_hooked = true;
}

void TTrayIcon::removeHook()
{
    if (!m_hooked)
        return;
    m_application.unhookMainWindow(reinterpret_cast<quintptr>(this));
    m_hooked = false;
}

// An interval of 0 stops the timer instead of firing on every pass of the event loop.
void TTrayIcon::setTimerEnabled(bool enabled)
{
    m_timerEnabled = enabled;
    if (m_timerEnabled && m_animateInterval > 0)
        m_timer.start(m_animateInterval);
    else
        m_timer.stop();
}

} // namespace zentari
