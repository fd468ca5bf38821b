#pragma once

#include "app/clockface.h"
#include "app/closeguard.h"
#include "app/titlefeature.h"
#include "core/inifile.h"
#include "platform/errorreport.h"
#include "platform/services.h"
#include "session/clocksession.h"

#include <QDateTime>
#include <QPoint>
#include <QWidget>
#include <memory>

class QLabel;
class QTimer;

namespace zentari {

class ClockWindows;
class PictureBox;
class SecondTimer;
class ShutdownWarning;
class ClockDesktop;
class NotificationArea;

// TForm1: the main clock window. Shows the time over the date on a picture,
// drives the session's one-second tick, answers its popup menu and tray
// icon, and opens the other windows.
class TForm1 : public QWidget, public SessionHost
{
    Q_OBJECT
public:
    // trayArea replaces the desktop's notification area (tests without a tray).
    TForm1(QString programDir, const Services& services, ErrorReport& report, ClockSession& session,
           ClockWindows& windows, NotificationArea* trayArea = nullptr);
    ~TForm1() override;

    // --- state shared with the other windows
    QString confPath;
    int inTray = 0;

    QLabel* Label1 = nullptr; // the time
    QLabel* Label2 = nullptr; // the date
    QLabel* Label3 = nullptr; // the weekday number, hidden
    PictureBox* Image1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;

    ClockSession& session() { return m_session; }
    // The tray icon and the popup menu with its items.
    ClockDesktop& desktop() { return *m_desktop; }
    ActionDispatcher& dispatcher() { return m_session.dispatcher(); }
    ActionStore& actionLists() { return m_session.actions(); }
    const IniFile& configStore() const { return m_session.configStore(); }
    QString programDir() const { return m_programDir; }
    const QStringList& actionIds() const { return m_session.actionIds(); }
    QString trayHint() const { return m_trayHint; }
    ShutdownWarning* shutdownWarning() const { return m_warning; }
    // The password gate and close guard; the password window's host.
    CloseGuard& closeGuard() { return *m_guard; }

    // --- handlers
    // Reads the action lists the tick uses again (after an editor's change).
    void reloadActionLists() { m_session.reloadActionLists(); }

    void FormCreate();
    void FormActivate();
    void FormClose();
    void FormDestroy() { m_guard->destroying(); }
    void Image1DblClick() { ConfigureClick(); }
    void showClock() { showClock(m_services.clock->now()); }
    void showClock(const QDateTime& now);
    void showTitle();
    void Timer1Timer() { m_session.tick(); }
    void Timer2Timer();
    void SendToTray1Click();
    void TrayIcon1Minimize();
    void TrayIcon1Restore();
    void TrayIcon1Click();
    void PopupMenu1Popup();
    void N1Click() { m_session.stopSound(); }
    void SnoozeSoundClick() { m_session.snoozeSound(); }
    // "Отменить" under a snooze the menu lists; not while the password guards
    // the alarms.
    void cancelSnooze(int index);
    void N3Click();
    void N5Click();
    void N6Click();
    void ConfigureClick();
    void N7Click();
    // A shutdown template as its menu item runs it; returns the new action's id.
    QString runTemplate(QStringView itemName);
    // Reads the border, position and picture from conf.ini again (asked for
    // by the configuration tool after it saved them), with the colours and
    // transparency; the position only where it is remembered. A fault is
    // reported as at start.
    void reloadOptions();
    // The eleven shutdown templates, one handler per menu item.
    void N12Click() { runTemplate(u"N12"); }
    void N10Click() { runTemplate(u"N10"); }
    void N601Click() { runTemplate(u"N601"); }
    void N451Click() { runTemplate(u"N451"); }
    void N301Click() { runTemplate(u"N301"); }
    void N151Click() { runTemplate(u"N151"); }
    void N101Click() { runTemplate(u"N101"); }
    void N51Click() { runTemplate(u"N51"); }
    void N31Click() { runTemplate(u"N31"); }
    void N14Click() { runTemplate(u"N14"); }
    void N13Click() { runTemplate(u"N13"); }

    // --- what the password window has carried out through the close guard
    // The protected command waiting for the password.
    int pendingCommand() const { return m_guard->pendingCommand(); }
    void showMainWindow();
    // Asks the system to abort a pending shutdown or log-off and makes
    // "Прекратить выход из системы" unavailable again.
    void abortShutdown();

    // Framed: 135 x 81 with a caption and no buttons; otherwise 127 x 47 bare.
    void setFramed(bool framed) { m_face->setFramed(framed); }

    // --- SessionHost
    void showTime(const QDateTime& now) override;
    void stopSoundAvailable(bool available) override;
    void cancelShutdownAvailable() override;
    void shutdownScheduled(int seconds, const QString& message) override;
    void showReminder(const QString& title, const QString& text,
                      const QString& reminderId) override;
    void reminderClosed() override;
    // Adds the events to "Пропущенные события", opens it, and tells of them
    // in one desktop notification that opens it again when clicked.
    void missedEvents(const QList<MissedEvent>& events) override;
    void snoozeReminder() override;
    void closeReminder() override;
    void raiseReminder() override;

    static const QString kDownloadPage;

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void openConfigStore();
    void notifyMissed();
    // The pending snoozes into the menu, as the session now has them.
    void showSnoozed();

    QString m_programDir;
    Services m_services;
    ErrorReport& m_report;
    ClockSession& m_session;
    ClockWindows& m_windows;
    IniFile& m_configStore; // the session's
    TitleFeature m_title;
    QString m_trayHint;
    ClockFace* m_face = nullptr;
    std::unique_ptr<ClockDesktop> m_desktop;
    std::unique_ptr<CloseGuard> m_guard;
    ShutdownWarning* m_warning = nullptr;
    QList<PendingSnooze> m_shownSnoozes; // as the menu lists them
    SecondTimer* m_tickTimer = nullptr;  // Timer1
    // The one notification of missed events: its id while shown, and whether
    // one is on its way to the server or must follow the one on its way.
    quint32 m_missedNote = 0;
    bool m_missedNoteAsked = false;
    bool m_missedNoteAgain = false;
};

} // namespace zentari
