#pragma once

#include "icontable.h"
#include "trayicon/trayservices.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <utility>
#include <vector>

namespace zentari {

class WindowSystem;

// The application as the tray icon sees it, played by the main clock window:
// minimising to the tray hides the window, restoring shows it again, and its
// taskbar entry stands for the application's taskbar button.
class ClockWindowApplication : public QObject, public TrayApplication
{
    Q_OBJECT

public:
    // windows may be null; then the taskbar entry is left alone.
    ClockWindowApplication(QWidget* clockWindow, WindowSystem* windows, IconTable& icons,
                           QObject* parent = nullptr);
    ~ClockWindowApplication() override;

    void minimize() override;
    void restore() override;
    quintptr applicationWindow() const override;
    // Hide keeps the window out of the taskbar and pager, Restore lets it back in.
    void showWindow(quintptr window, ShowCommand command) override;
    void setForegroundWindow(quintptr window) override;
    quintptr activeFormWindow() const override;
    QPoint cursorPos() const override;
    bool keyDown(ModifierKey key) const override;
    void hookMainWindow(quintptr id, WindowHook hook) override;
    void unhookMainWindow(quintptr id) override;
    // The application's window icon, or a drawn clock when it has none.
    IconHandle applicationIcon() const override;

protected:
    // Minimising the clock window becomes the hooks' SC_MINIMIZE, bringing it
    // back from minimised their SC_RESTORE.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sendSysCommand(quintptr command);

    QPointer<QWidget> m_window;
    WindowSystem* m_windows;
    IconTable& m_icons;
    mutable QIcon m_drawnIcon;
    std::vector<std::pair<quintptr, WindowHook>> m_hooks;
    // Our own minimise and restore change the window's state too; those are
    // not the user's commands.
    bool m_acting = false;
};

} // namespace zentari
