#pragma once

#include "app/titlefeature.h"
#include "platform/errorreport.h"
#include "core/inifile.h"
#include "platform/services.h"
#include "session/clocksession.h"
#include "windows/gatehost.h"

#include <QDateTime>
#include <QIcon>
#include <QPoint>
#include <QWidget>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace zentari {

class ClockWindows;
class PictureBox;
class ShutdownWarning;
class ClockTrayIcon;
class NotificationArea;
class TTrayIcon;
struct ShutdownTemplate;

// TForm1: the main clock window. Shows the time over the date on a picture,
// drives the session's one-second tick, carries the popup menu and the tray
// icon, and opens the other windows.
class TForm1 : public QWidget, public GateHost, public SessionHost
{
    Q_OBJECT
public:
    // trayArea replaces the desktop's notification area (tests without a tray).
    TForm1(QString programDir, const Services& services, ErrorReport& report,
           ClockSession& session, ClockWindows& windows, NotificationArea* trayArea = nullptr);
    ~TForm1() override;

    // --- state shared with the other windows
    QString confPath;
    int inTray = 0;
    int m_pendingCommand = 0;

    QLabel* Label1 = nullptr; // the time
    QLabel* Label2 = nullptr; // the date
    QLabel* Label3 = nullptr; // the weekday number, hidden
    PictureBox* Image1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* SendToTray1 = nullptr;
    QAction* Configure = nullptr;
    QAction* N6 = nullptr;
    QAction* N1 = nullptr; // "Остановить звук"
    QAction* N3 = nullptr; // "Прекратить выход из системы"
    QMenu* N11 = nullptr;  // "Шаблоны..."
    QMenu* N8 = nullptr;   // "Выключить компьютер..."
    QAction* N7 = nullptr;
    QAction* N5 = nullptr;
    TTrayIcon* TrayIcon1 = nullptr;

    ClockSession& session() { return m_session; }
    ActionDispatcher& dispatcher() { return m_session.dispatcher(); }
    ActionStore& actionLists() { return m_session.actions(); }
    const IniFile& configStore() const { return m_session.configStore(); }
    QString programDir() const override { return m_programDir; }
    const QStringList& actionIds() const { return m_session.actionIds(); }
    QString trayHint() const { return m_trayHint; }
    ShutdownWarning* shutdownWarning() const { return m_warning; }

    // --- handlers
    // Reads the action lists the tick uses again (after an editor's change).
    void reloadActionLists();

    void FormCreate();
    void FormActivate();
    void FormClose();
    void FormDestroy();
    void Image1DblClick();
    void showClock();
    void showClock(const QDateTime& now);
    void showTitle();
    void Timer1Timer();
    void Timer2Timer();
    void SendToTray1Click();
    void TrayIcon1Minimize();
    void TrayIcon1Restore();
    void TrayIcon1Click();
    void PopupMenu1Popup();
    void N1Click();
    void N3Click();
    void N5Click();
    void N6Click();
    void ConfigureClick();
    void N7Click();
    // The eleven shutdown templates, one handler per menu item.
    void N12Click();
    void N10Click();
    void N601Click();
    void N451Click();
    void N301Click();
    void N151Click();
    void N101Click();
    void N51Click();
    void N31Click();
    void N14Click();
    void N13Click();

    // --- GateHost
    int pendingCommand() const override { return m_pendingCommand; }
    void showMainWindow() override;
    void closeClock() override;
    void showSettings() override;
    void abortShutdown() override;
    void setExitAllowed(int allowed) override;

    // Framed: 135 x 81 with a caption and no buttons; otherwise 127 x 47 bare.
    void setFramed(bool framed);

    // --- SessionHost
    void showTime(const QDateTime& now) override;
    void stopSoundAvailable(bool available) override;
    void cancelShutdownAvailable() override;
    void shutdownScheduled(int seconds, const QString& message) override;
    void showReminder(const QString& title, const QString& text) override;
    void reminderClosed() override;

    static const QString kDownloadPage;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void buildPopupMenu();
    void openConfigStore();
    void applyColours();
    void applyPicture();
    void applyBorder();
    void applyTransparency();
    void applyStoredPosition();
    void keepDesignPositionOnScreen();
    // Moves the clock back onto the nearest screen when it is off every one.
    void keepOnScreens();
    void watchScreens();
    void storePosition();
    void keepOutOfTaskbar();
    QIcon menuPicture(QStringView name) const;
    void armTimer1();
    bool protectionOn() const;
    bool trayAvailable() const;
    // Notes the protected command and opens the password window (modal).
    void passwordGate(int command);
    void runTemplate(QStringView itemName);
    void forbiddenCloseRestart();

    QString m_programDir;
    Services m_services;
    ErrorReport& m_report;
    ClockSession& m_session;
    ClockWindows& m_windows;
    IniFile& m_configStore; // the session's
    TitleFeature m_title;
    QString m_trayHint;
    std::unique_ptr<ClockTrayIcon> m_tray;
    NotificationArea* m_trayArea = nullptr; // the one the tray icon uses
    ShutdownWarning* m_warning = nullptr;
    QHash<QAction*, QString> m_templateItems;
    bool m_framed = true;
    bool m_borderApplied = false;
    bool m_skipTaskbar = false;
};

} // namespace zentari
