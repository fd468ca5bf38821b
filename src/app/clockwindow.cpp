#include "clockwindow.h"

#include "app/clockdesktop.h"
#include "app/clockface.h"
#include "app/clockwindows.h"
#include "app/closeguard.h"
#include "app/secondtimer.h"
#include "app/shutdownwarning.h"
#include "app/stopsoundkey.h"
#include "core/options.h"
#include "core/paths.h"
#include "core/product.h"
#include "core/timetext.h"
#include "platform/notifications.h"
#include "reminders/reminderwindow.h"
#include "trayicon/trayicon.h"
#include "windows/missedeventswindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QTimer>

namespace zentari {

const QString TForm1::kDownloadPage = productSite() + QStringLiteral("/Download.htm");

TForm1::TForm1(QString programDir, const Services& services, ErrorReport& report,
               ClockSession& session, ClockWindows& windows, NotificationArea* trayArea)
    : QWidget(nullptr), m_programDir(std::move(programDir)), m_services(services), m_report(report),
      m_session(session), m_windows(windows), m_configStore(session.config())
{
    m_session.setHost(this);
    m_guard = std::make_unique<CloseGuard>(*this, m_session, m_windows, services, m_programDir);
    m_windows.setClock(this);
    m_face = new ClockFace(this, m_configStore, m_programDir);
    m_face->onShownAgain = [this] { m_desktop->keepOutOfTaskbar(); };
    Label1 = m_face->Label1;
    Label2 = m_face->Label2;
    Label3 = m_face->Label3;
    Image1 = m_face->Image1;
    connect(m_face, &ClockFace::pictureDoubleClicked, this,
            [this] { m_report.guard([this] { Image1DblClick(); }); });

    m_tickTimer = new SecondTimer(this, [this] { Timer1Timer(); });
    Timer1 = m_tickTimer;
    Timer2 = new QTimer(this);
    Timer2->setSingleShot(true);
    Timer2->setInterval(2300);
    connect(Timer2, &QTimer::timeout, this, [this] { m_report.guard([this] { Timer2Timer(); }); });

    m_desktop = std::make_unique<ClockDesktop>(this, m_programDir, services.windows, trayArea);
    m_desktop->inTray = [this] { return inTray != 0; };
    const auto react = [this](auto request, void (TForm1::*handler)()) {
        connect(m_desktop.get(), request, this,
                [this, handler] { m_report.guard([this, handler] { (this->*handler)(); }); });
    };
    react(&ClockDesktop::sendToTrayRequested, &TForm1::SendToTray1Click);
    react(&ClockDesktop::settingsRequested, &TForm1::ConfigureClick);
    react(&ClockDesktop::clockSettingsRequested, &TForm1::N6Click);
    react(&ClockDesktop::stopSoundRequested, &TForm1::N1Click);
    react(&ClockDesktop::snoozeSoundRequested, &TForm1::SnoozeSoundClick);
    react(&ClockDesktop::abortShutdownRequested, &TForm1::N3Click);
    react(&ClockDesktop::updateCheckRequested, &TForm1::N7Click);
    react(&ClockDesktop::exitRequested, &TForm1::N5Click);
    react(&ClockDesktop::trayMinimized, &TForm1::TrayIcon1Minimize);
    react(&ClockDesktop::trayRestored, &TForm1::TrayIcon1Restore);
    react(&ClockDesktop::trayClicked, &TForm1::TrayIcon1Click);
    connect(m_desktop.get(), &ClockDesktop::menuAboutToShow, this, &TForm1::PopupMenu1Popup);
    connect(m_desktop.get(), &ClockDesktop::snoozeCancelRequested, this,
            [this](int index) { m_report.guard([this, index] { cancelSnooze(index); }); });
    connect(m_desktop.get(), &ClockDesktop::templateChosen, this, [this](const QString& itemName) {
        m_report.guard([this, &itemName] { runTemplate(itemName); });
    });

    m_warning = new ShutdownWarning(this, services.sleep);
    connect(m_warning, &ShutdownWarning::abortRequested, this,
            [this] { m_report.guard([this] { N3Click(); }); });
    new StopSoundKey([this] { return m_session.dispatcher().soundPlaying(); },
                     [this] { m_report.guard([this] { N1Click(); }); }, this);

    if (Notifications* notes = m_services.notifications) {
        connect(notes, &Notifications::actionInvoked, this, [this](quint32 id, const QString&) {
            // The notification's one action, and clicking it, open the list.
            if (id != 0 && id == m_missedNote)
                m_windows.missedEvents().showList();
        });
        connect(notes, &Notifications::closed, this, [this](quint32 id, quint32) {
            if (id == m_missedNote)
                m_missedNote = 0;
        });
    }

    m_report.guard([this] { FormCreate(); });
    m_face->watchScreens();
    m_tickTimer->arm();
    Timer2->start();
}

TForm1::~TForm1()
{
    m_session.setHost(nullptr);
    if (m_windows.clock() == this)
        m_windows.setClock(nullptr);
}

// ---------------------------------------------------------------- creation

void TForm1::openConfigStore()
{
    m_session.openConfigStore();
    confPath = m_session.confPath();
}

void TForm1::FormCreate()
{
    openConfigStore();
    Label1->setText(QString());
    Label2->setText(timetext::dateToStr(timetext::dayZero()));
    m_trayHint = QStringLiteral("10");
    m_desktop->TrayIcon1->SetHint(m_trayHint);
    reloadActionLists();
    m_face->applyAtStart();
}

void TForm1::FormActivate()
{
    openConfigStore();
    reloadActionLists();
    m_face->applyOnActivate();
}

void TForm1::reloadOptions()
{
    m_report.guard([this] {
        openConfigStore();
        m_face->applyOnReload();
    });
}

// ---------------------------------------------------------------- the tick

void TForm1::showTime(const QDateTime& now)
{
    if (isVisible() && m_services.windows)
        m_services.windows->keepAbove(winId());
    showClock(now);
    if (options::isOn(m_configStore, options::ShowTimeInTitle))
        showTitle();
}

void TForm1::stopSoundAvailable(bool available)
{
    m_desktop->N1->setEnabled(available);
    // Only an alarm's own sound can come back later; a reminder's cannot.
    const bool alarm = available && !m_session.dispatcher().alarmSoundFile().isNull();
    m_desktop->showSnoozeSound(alarm, alarm ? m_session.snoozeMinutes() : 0);
}

void TForm1::cancelShutdownAvailable()
{
    m_desktop->N3->setEnabled(true);
}

void TForm1::shutdownScheduled(int seconds, const QString& message)
{
    m_warning->start(message, seconds);
}

void TForm1::showReminder(const QString& title, const QString& text, const QString& reminderId)
{
    m_windows.reminderWindow().showReminder(title, text, reminderId);
}

void TForm1::reminderClosed()
{
    if (inTray == 1)
        SendToTray1Click();
}

// A notification's buttons reach only a reminder's window that is open: one
// that has closed since (its button, its menu) is left alone.
void TForm1::snoozeReminder()
{
    if (m_windows.reminderWindowMade() && m_windows.reminderWindow().isVisible())
        m_windows.reminderWindow().snooze(m_session.snoozeMinutes());
}

void TForm1::closeReminder()
{
    if (m_windows.reminderWindowMade() && m_windows.reminderWindow().isVisible())
        m_windows.reminderWindow().reject();
}

void TForm1::raiseReminder()
{
    if (!m_windows.reminderWindowMade() || !m_windows.reminderWindow().isVisible())
        return;
    TForm6& window = m_windows.reminderWindow();
    window.raise();
    window.activateWindow();
}

void TForm1::missedEvents(const QList<MissedEvent>& events)
{
    if (events.isEmpty())
        return;
    MissedEventsWindow& window = m_windows.missedEvents();
    window.addEvents(events);
    window.showList();
    notifyMissed();
}

// One notification for the run: a later batch replaces the one still shown
// with the new count instead of adding another.
void TForm1::notifyMissed()
{
    Notifications* notes = m_services.notifications;
    if (!notes)
        return;
    if (m_missedNoteAsked) {
        m_missedNoteAgain = true; // once the server has told the id to replace
        return;
    }
    Notification note;
    note.summary = QStringLiteral("Пропущенные события");
    note.body =
        QStringLiteral("Не выполнено: %1. Откройте список.").arg(m_windows.missedEvents().count());
    note.actions = {{QStringLiteral("default"), QStringLiteral("Открыть список")}};
    note.desktopEntry = QStringLiteral("zentari");
    note.icon = QStringLiteral("zentari");
    note.replaces = m_missedNote;
    m_missedNoteAsked = true;
    notes->notify(note, this, [this](quint32 id) {
        m_missedNote = id;
        m_missedNoteAsked = false;
        if (m_missedNoteAgain) {
            m_missedNoteAgain = false;
            notifyMissed();
        }
    });
}

void TForm1::showClock(const QDateTime& now)
{
    m_face->showTime(now);
    m_trayHint =
        QStringLiteral("Время : ") + Label1->text() + QStringLiteral(" Дата : ") + Label2->text();
    m_desktop->TrayIcon1->SetHint(m_trayHint);
}

void TForm1::showTitle()
{
    if (m_services.windows)
        m_title.showTitle(*m_services.windows, m_trayHint);
}

// ---------------------------------------------------------------- tray and menu

void TForm1::SendToTray1Click()
{
    if (inTray == 1)
        m_desktop->restoreFromTray();
    else
        m_desktop->sendToTray();
    m_face->applyRememberedPosition();
}

void TForm1::TrayIcon1Minimize()
{
    m_desktop->showMinimized();
    inTray = 1;
    m_face->rememberPosition();
}

void TForm1::TrayIcon1Restore()
{
    m_face->applyBorder();
    if (m_services.windows && isVisible())
        m_services.windows->keepAbove(winId());
    m_face->applyBorder();
    m_desktop->showRestored();
    inTray = 0;
    m_desktop->leaveTaskbar();
}

void TForm1::TrayIcon1Click()
{
    m_desktop->SendToTray1->trigger();
}

void TForm1::PopupMenu1Popup()
{
    m_desktop->showSendToTrayCaption(inTray != 0);
    m_report.guard([this] { showSnoozed(); });
}

void TForm1::showSnoozed()
{
    m_shownSnoozes = m_session.pendingSnoozes();
    const QDate today = m_services.clock->now().date();
    QStringList captions;
    for (const PendingSnooze& snooze : std::as_const(m_shownSnoozes))
        captions.append(ClockDesktop::snoozedCaption(snooze.name, snooze.due, today));
    // Taking an alarm back is as good as deleting it: that is behind the password.
    m_desktop->showSnoozed(captions, !m_guard->protectionOn());
}

void TForm1::cancelSnooze(int index)
{
    if (index < 0 || index >= m_shownSnoozes.size() || m_guard->protectionOn())
        return;
    const PendingSnooze snooze = m_shownSnoozes[index];
    if (!m_session.cancelSnooze(snooze)) {
        const QString text =
            snooze.kind == PendingSnooze::Kind::Reminder
                ? QStringLiteral("Напоминание «%1» уже удалено или изменено: отменять нечего.")
                : QStringLiteral("Сигнал «%1» уже удалён или изменён: отменять нечего.");
        m_services.messages->show(text.arg(snooze.name), snooze.name, MessageIcon::Warning);
    }
    showSnoozed();
}

void TForm1::Timer2Timer()
{
    Timer2->stop();
    // On a desktop without a notification area (many have none) the clock just
    // stays where it is, without a box at every start; the steps below still
    // run, or the editors' clock would never start and every exit would
    // restart the program.
    if (m_desktop->trayAvailable()) {
        m_report.guard([this] {
            SendToTray1Click();
            if (!options::isOn(m_configStore, options::TraySet))
                SendToTray1Click();
        });
    } else {
        m_desktop->leaveTaskbar();
    }
    m_windows.startEditorClock();
    m_session.setExitAllowed(m_guard->protectionOn() ? 0 : 1);
}

void TForm1::N3Click()
{
    if (m_guard->protectionOn()) {
        hide();
        return m_guard->passwordGate(4);
    }
    abortShutdown();
}

void TForm1::abortShutdown()
{
    m_services.power->cancelShutdown();
    m_warning->stop();
    m_desktop->N3->setEnabled(false);
    m_session.shutdownAborted();
}

void TForm1::N5Click()
{
    hide();
    if (m_guard->protectionOn())
        return m_guard->passwordGate(3);
    m_session.setExitAllowed(1);
    close();
}

void TForm1::N6Click()
{
    hide();
    if (m_guard->protectionOn())
        return m_guard->passwordGate(2);
    m_services.shell->open(m_programDir + QStringLiteral("conf"), QString(), m_programDir);
    close();
}

void TForm1::ConfigureClick()
{
    hide();
    if (m_guard->protectionOn())
        m_guard->passwordGate(1);
    else
        m_windows.showSettings();
    if (inTray == 1)
        m_desktop->SendToTray1->trigger();
}

void TForm1::N7Click()
{
    m_services.shell->open(kDownloadPage, QString(), QString());
}

QString TForm1::runTemplate(QStringView itemName)
{
    return m_session.runTemplate(itemName, m_desktop->templateCaption(itemName), Label2->text(),
                                 Label1->text());
}

// ---------------------------------------------------------------- gate host

void TForm1::showMainWindow()
{
    show();
    m_desktop->keepOutOfTaskbar();
}

// ---------------------------------------------------------------- close guard

void TForm1::FormClose()
{
    m_guard->closing();
    // The reminder editor's lists are freed here once it exists.
    m_configStore = IniFile(confPath);
    m_face->rememberPosition();
}

void TForm1::closeEvent(QCloseEvent* e)
{
    // The program is ending: the start-up timer must not send the clock to the
    // tray and back under the close guard's box, taking the focus from it.
    Timer2->stop();
    m_report.guard([this] { FormClose(); });
    e->accept();
    // Closing the clock ends the program, whatever other window is open.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

// ---------------------------------------------------------------- events

bool TForm1::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        m_report.guard([this] { FormActivate(); });
    if (e->type() == QEvent::Show)
        QTimer::singleShot(0, this, [this] {
            // The frame is known only once the window manager has framed us.
            if (m_face->framed())
                setFramed(true);
            m_desktop->keepOutOfTaskbar();
        });
    return QWidget::event(e);
}

void TForm1::contextMenuEvent(QContextMenuEvent* e)
{
    m_desktop->PopupMenu1->popup(e->globalPos());
}

} // namespace zentari
