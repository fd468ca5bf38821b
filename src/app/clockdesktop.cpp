#include "clockdesktop.h"

#include "core/error.h"
#include "core/options.h"
#include "core/paths.h"
#include "core/timetext.h"
#include "platform/picture.h"
#include "platform/services.h"
#include "scheduler/shutdowntemplates.h"
#include "trayicon/clocktrayicon.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <QWindowStateChangeEvent>
#include <array>

namespace zentari {

ClockDesktop::ClockDesktop(QWidget* clockWindow, QString programDir, WindowSystem* windows,
                           NotificationArea* trayArea)
    : m_window(clockWindow), m_windows(windows), m_programDir(std::move(programDir))
{
    clockWindow->installEventFilter(this);
    buildPopupMenu(clockWindow);
    m_tray = std::make_unique<ClockTrayIcon>(clockWindow, PopupMenu1, windows, trayArea);
    TrayIcon1 = &m_tray->trayIcon();
    m_trayArea = trayArea ? trayArea : &m_tray->notificationArea();
    TrayIcon1->RestoreOn = TTrayIconMessage::imDoubleClick;
    TrayIcon1->PopupMenuOn = TTrayIconMessage::imRightClickUp;
    TrayIcon1->OnMinimize = [this](TTrayIcon&) { Q_EMIT trayMinimized(); };
    TrayIcon1->OnRestore = [this](TTrayIcon&) { Q_EMIT trayRestored(); };
    TrayIcon1->OnClick = [this](TTrayIcon&) { Q_EMIT trayClicked(); };
}

ClockDesktop::~ClockDesktop() = default;

void ClockDesktop::buildPopupMenu(QWidget* clockWindow)
{
    PopupMenu1 = new QMenu(clockWindow);
    auto item = [this](const QString& caption, void (ClockDesktop::*request)()) {
        QAction* action = PopupMenu1->addAction(caption);
        connect(action, &QAction::triggered, this, request);
        return action;
    };
    SendToTray1 = item(QStringLiteral("Восстановить из трея"), &ClockDesktop::sendToTrayRequested);
    SendToTray1->setIcon(QIcon(paths::resolve(m_programDir, u"data\\min.bmp")));
    Configure =
        item(QStringLiteral("Настройки звонка (будильника)"), &ClockDesktop::settingsRequested);
    N6 = item(QStringLiteral("Особые настройки часов (требуется выход)"),
              &ClockDesktop::clockSettingsRequested);
    N1 = item(QStringLiteral("Остановить звук"), &ClockDesktop::stopSoundRequested);
    N1->setEnabled(false);
    // Shown beside the command, so that the menu teaches the key that works
    // in every window (StopSoundKey); the key itself is handled there.
    N1->setShortcut(QKeySequence(Qt::Key_Escape));
    N1->setShortcutContext(Qt::WidgetShortcut);
    N1->setShortcutVisibleInContextMenu(true);
    SnoozeSound = item(snoozeCaption(options::SnoozeMinutes.defaultValue.toInt()),
                       &ClockDesktop::snoozeSoundRequested);
    SnoozeSound->setVisible(false);
    m_afterSound = PopupMenu1->addSeparator(); // N2
    N3 = item(QStringLiteral("Прекратить выход из системы"), &ClockDesktop::abortShutdownRequested);
    N3->setEnabled(false);
    PopupMenu1->addSeparator(); // N9
    N11 = PopupMenu1->addMenu(QStringLiteral("Шаблоны..."));
    N8 = N11->addMenu(QStringLiteral("Выключить компьютер..."));
    for (size_t i = 0; i < kShutdownTemplates.size(); ++i) {
        const ShutdownTemplate& t = kShutdownTemplates[i];
        QAction* action = N8->addAction(t.caption.toString());
        const QString itemName = t.itemName.toString();
        action->setObjectName(itemName);
        m_templateItems.insert(action, itemName);
        connect(action, &QAction::triggered, this,
                [this, itemName] { Q_EMIT templateChosen(itemName); });
        if (i == 1)
            N8->addSeparator()->setEnabled(false); // N15
        else if (i == 4 || i == 7)
            N8->addSeparator(); // N16, N17
    }
    PopupMenu1->addSeparator(); // N4
    N7 = item(QStringLiteral("Проверить обновление"), &ClockDesktop::updateCheckRequested);
    N5 = item(QStringLiteral("Выход"), &ClockDesktop::exitRequested);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &ClockDesktop::menuAboutToShow);
}

QString ClockDesktop::snoozeCaption(int minutes)
{
    return QStringLiteral("Отложить сигнал на ") + timetext::minutesText(minutes);
}

void ClockDesktop::showSnoozeSound(bool available, int minutes)
{
    SnoozeSound->setVisible(available);
    if (available)
        SnoozeSound->setText(snoozeCaption(minutes));
}

void ClockDesktop::showSnoozed(const QStringList& captions, bool cancelAllowed)
{
    // Made afresh; the old ones may still be delivering the click that took
    // one back, so they go once that is over.
    for (QMenu* old : std::as_const(m_snoozed)) {
        PopupMenu1->removeAction(old->menuAction());
        old->deleteLater();
    }
    m_snoozed.clear();
    for (qsizetype i = 0; i < captions.size(); ++i) {
        auto* menu = new QMenu(PopupMenu1);
        // A title is the user's own text: an ampersand in it is not a shortcut.
        menu->setTitle(QString(captions[i]).replace(u'&', QStringLiteral("&&")));
        QAction* cancel = menu->addAction(QStringLiteral("Отменить"));
        cancel->setEnabled(cancelAllowed);
        connect(cancel, &QAction::triggered, this,
                [this, index = int(i)] { Q_EMIT snoozeCancelRequested(index); });
        PopupMenu1->insertMenu(m_afterSound, menu);
        m_snoozed.append(menu);
    }
}

QString ClockDesktop::snoozedCaption(const QString& name, const QDateTime& due, QDate today)
{
    QString when = timetext::timeToStr(due.time());
    if (due.date() != today)
        when += u' ' + timetext::dateToStr(due.date());
    return QStringLiteral("Отложено: %1 — %2").arg(name, when);
}

bool ClockDesktop::trayAvailable() const
{
    return m_trayArea->available();
}

void ClockDesktop::showSendToTrayCaption(bool inTray)
{
    SendToTray1->setText(inTray ? QStringLiteral("Восстановить из трея")
                                : QStringLiteral("Свернуть в трей"));
}

void ClockDesktop::sendToTray()
{
    try {
        TrayIcon1->SetVisible(true);
    } catch (const EOutOfResources& e) {
        if (trayAvailable())
            throw;
        throw Error(QStringLiteral("На этом рабочем столе нет области уведомлений (системного "
                                   "трея), поэтому часы остаются на рабочем столе. (%1)")
                        .arg(e.message()));
    }
    TrayIcon1->Minimize();
}

void ClockDesktop::restoreFromTray()
{
    TrayIcon1->SetVisible(false);
    TrayIcon1->Restore();
}

void ClockDesktop::showMinimized()
{
    if (!TrayIcon1->Visible())
        TrayIcon1->SetVisible(true);
    SendToTray1->setIcon(menuPicture(u"data\\res.bmp"));
}

void ClockDesktop::showRestored()
{
    if (TrayIcon1->Visible())
        TrayIcon1->SetVisible(false);
    SendToTray1->setIcon(menuPicture(u"data\\min.bmp"));
}

void ClockDesktop::leaveTaskbar()
{
    m_skipTaskbar = true;
    keepOutOfTaskbar();
}

void ClockDesktop::keepOutOfTaskbar()
{
    if (m_skipTaskbar && m_windows && m_window->isVisible())
        m_windows->setSkipTaskbar(m_window->winId(), true);
}

bool ClockDesktop::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_window && e->type() == QEvent::WindowStateChange && !(inTray && inTray())) {
        const bool was = static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized;
        minimiseChanged(was, m_window->windowState() & Qt::WindowMinimized);
    }
    return QObject::eventFilter(watched, e);
}

void ClockDesktop::minimiseChanged(bool was, bool is)
{
    // The clock has no taskbar button and no tray icon while it is on the
    // desktop: minimised as it is, it could never be found again. So the
    // window manager's minimise sends it to the tray, or, without one, it
    // keeps a taskbar button while it is minimised.
    if (!was && is) {
        if (trayAvailable())
            QTimer::singleShot(0, this, [this] {
                if (!(inTray && inTray()) && m_window->isMinimized())
                    Q_EMIT sendToTrayRequested();
            });
        else if (m_windows)
            m_windows->setSkipTaskbar(m_window->winId(), false);
    } else if (was && !is) {
        keepOutOfTaskbar();
    }
}

QIcon ClockDesktop::menuPicture(QStringView name) const
{
    // Throws when the picture is missing, which ends the calling handler.
    return QIcon(QPixmap::fromImage(loadPicture(paths::resolve(m_programDir, name))));
}

QString ClockDesktop::templateCaption(QStringView itemName) const
{
    for (auto it = m_templateItems.cbegin(); it != m_templateItems.cend(); ++it) {
        if (it.value() == itemName)
            return it.key()->text().remove(u'&'); // a toolkit may add accelerator marks
    }
    return QString();
}

} // namespace zentari
