#include "clockwindow.h"

#include "core/options.h"
#include "core/paths.h"
#include "app/picturebox.h"
#include "core/product.h"
#include "app/screenplacement.h"
#include "app/shutdownwarning.h"
#include "app/stopsoundkey.h"
#include "app/windowdrag.h"
#include "core/conversions.h"
#include "core/error.h"
#include "platform/picture.h"
#include "core/timetext.h"
#include "app/clockwindows.h"
#include "reminders/reminderwindow.h"
#include "scheduler/shutdowntemplates.h"
#include "trayicon/clocktrayicon.h"
#include "windows/passwordgate.h"
#include "windows/settingswindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <QWindowStateChangeEvent>

namespace zentari {

const QString TForm1::kDownloadPage = productSite() + QStringLiteral("/Download.htm");

namespace {

constexpr int kClientWidth = 127;
constexpr int kClientHeight = 47;
constexpr int kFramedWidth = 135;
constexpr int kFramedHeight = 81;

QColor fromColorRef(unsigned int bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

void redTooltips()
{
    QPalette p = QToolTip::palette();
    p.setColor(QPalette::ToolTipBase, QColor(255, 0, 0));
    p.setColor(QPalette::ToolTipText, QColor(0, 0, 0));
    QToolTip::setPalette(p);
}

// Labels size themselves to their text; only a changed text is set, so an idle
// second repaints just the digits that moved.
void setCaption(QLabel* label, const QString& text)
{
    if (label->text() == text)
        return;
    label->setText(text);
    label->adjustSize();
}

QFont clockFont(int pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

} // namespace

TForm1::TForm1(QString programDir, const Services& services, ErrorReport& report,
               ClockSession& session, ClockWindows& windows, NotificationArea* trayArea)
    : QWidget(nullptr), m_programDir(std::move(programDir)), m_services(services), m_report(report),
      m_session(session), m_windows(windows), m_configStore(session.config())
{
    m_session.setHost(this);
    m_windows.setClock(this);
    // As the window is drawn before any option is read: framed, green text,
    // mostly opaque, in the lower right of a 1024 x 768 screen.
    setWindowTitle(QStringLiteral("Zentari"));
    setFramed(true);
    move(907, 663);
    setFixedSize(111, 43);
    setWindowOpacity(230 / 255.0);

    Label3 = new QLabel(this);
    Label3->move(40, 24);
    Label3->hide();
    Image1 = new PictureBox(this);
    Image1->setGeometry(rect());
    Image1->setToolTip(QStringLiteral("Нажмите 2 раза по картинке, чтобы открыть меню настроек."));
    Label1 = new QLabel(this);
    Label1->setFont(clockFont(19));
    Label1->move(16, 21);
    Label1->resize(63, 24);
    Label2 = new QLabel(this);
    Label2->setFont(clockFont(13));
    Label2->move(16, 5);
    Label2->resize(48, 16);
    // Their hints are kept but never shown: they would cover the clock itself.
    Label1->setStatusTip(QStringLiteral("Это текущее время"));
    Label2->setStatusTip(QStringLiteral("Это текущая дата"));
    for (QLabel* label : {Label1, Label2})
        setTextColour(label, QColor(0, 128, 0));
    Label1->installEventFilter(this);
    Image1->installEventFilter(this);
    // The picture fills the whole window, so it and the date are where a drag starts.
    auto* drag = new WindowDrag(this);
    drag->addSource(Image1);
    drag->addSource(Label2);

    Timer1 = new QTimer(this);
    Timer1->setSingleShot(true);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, [this] {
        // Armed before the tick runs: a modal window opened inside the tick (an
        // error report, a reminder) runs its own event loop, and the clock must
        // go on ticking under it.
        armTimer1();
        Timer1Timer();
    });
    Timer2 = new QTimer(this);
    Timer2->setSingleShot(true);
    Timer2->setInterval(2300);
    connect(Timer2, &QTimer::timeout, this, [this] { m_report.guard([this] { Timer2Timer(); }); });

    buildPopupMenu();
    m_tray = std::make_unique<ClockTrayIcon>(this, PopupMenu1, services.windows, trayArea);
    TrayIcon1 = &m_tray->trayIcon();
    m_trayArea = trayArea ? trayArea : &m_tray->notificationArea();
    TrayIcon1->RestoreOn = TTrayIconMessage::imDoubleClick;
    TrayIcon1->PopupMenuOn = TTrayIconMessage::imRightClickUp;
    TrayIcon1->OnMinimize = [this](TTrayIcon&) { m_report.guard([this] { TrayIcon1Minimize(); }); };
    TrayIcon1->OnRestore = [this](TTrayIcon&) { m_report.guard([this] { TrayIcon1Restore(); }); };
    TrayIcon1->OnClick = [this](TTrayIcon&) { m_report.guard([this] { TrayIcon1Click(); }); };

    m_warning = new ShutdownWarning(this);
    connect(m_warning, &ShutdownWarning::abortRequested, this,
            [this] { m_report.guard([this] { N3Click(); }); });
    new StopSoundKey([this] { return m_session.dispatcher().soundPlaying(); },
                     [this] { m_report.guard([this] { N1Click(); }); }, this);

    m_report.guard([this] { FormCreate(); });
    watchScreens();
    armTimer1();
    Timer2->start();
}

TForm1::~TForm1()
{
    m_session.setHost(nullptr);
    if (m_windows.clock() == this)
        m_windows.setClock(nullptr);
}

void TForm1::buildPopupMenu()
{
    PopupMenu1 = new QMenu(this);
    auto item = [this](const QString& caption, void (TForm1::*handler)()) {
        QAction* action = PopupMenu1->addAction(caption);
        connect(action, &QAction::triggered, this,
                [this, handler] { m_report.guard([this, handler] { (this->*handler)(); }); });
        return action;
    };
    SendToTray1 = item(QStringLiteral("Восстановить из трея"), &TForm1::SendToTray1Click);
    SendToTray1->setIcon(QIcon(paths::resolve(m_programDir, u"data\\min.bmp")));
    Configure = item(QStringLiteral("Настройки звонка (будильника)"), &TForm1::ConfigureClick);
    N6 = item(QStringLiteral("Особые настройки часов (требуется выход)"), &TForm1::N6Click);
    N1 = item(QStringLiteral("Остановить звук"), &TForm1::N1Click);
    N1->setEnabled(false);
    // Shown beside the command, so that the menu teaches the key that works
    // in every window (StopSoundKey); the key itself is handled there.
    N1->setShortcut(QKeySequence(Qt::Key_Escape));
    N1->setShortcutContext(Qt::WidgetShortcut);
    N1->setShortcutVisibleInContextMenu(true);
    PopupMenu1->addSeparator(); // N2
    N3 = item(QStringLiteral("Прекратить выход из системы"), &TForm1::N3Click);
    N3->setEnabled(false);
    PopupMenu1->addSeparator(); // N9
    N11 = PopupMenu1->addMenu(QStringLiteral("Шаблоны..."));
    N8 = N11->addMenu(QStringLiteral("Выключить компьютер..."));
    static constexpr std::array<void (TForm1::*)(), 11> handlers = {
        &TForm1::N12Click,  &TForm1::N10Click,  &TForm1::N601Click, &TForm1::N451Click,
        &TForm1::N301Click, &TForm1::N151Click, &TForm1::N101Click, &TForm1::N51Click,
        &TForm1::N31Click,  &TForm1::N14Click,  &TForm1::N13Click};
    for (size_t i = 0; i < kShutdownTemplates.size(); ++i) {
        const ShutdownTemplate& t = kShutdownTemplates[i];
        QAction* action = N8->addAction(t.caption.toString());
        action->setObjectName(t.itemName.toString());
        m_templateItems.insert(action, t.itemName.toString());
        const auto handler = handlers[i];
        connect(action, &QAction::triggered, this,
                [this, handler] { m_report.guard([this, handler] { (this->*handler)(); }); });
        if (i == 1)
            N8->addSeparator()->setEnabled(false); // N15
        else if (i == 4 || i == 7)
            N8->addSeparator(); // N16, N17
    }
    PopupMenu1->addSeparator(); // N4
    N7 = item(QStringLiteral("Проверить обновление"), &TForm1::N7Click);
    N5 = item(QStringLiteral("Выход"), &TForm1::N5Click);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TForm1::PopupMenu1Popup);
}

// ---------------------------------------------------------------- creation

void TForm1::openConfigStore()
{
    m_session.openConfigStore();
    confPath = m_session.confPath();
}

void TForm1::reloadActionLists() { m_session.reloadActionLists(); }

void TForm1::FormCreate()
{
    openConfigStore();
    Label1->setText(QString());
    Label2->setText(timetext::dateToStr(timetext::dayZero()));
    m_trayHint = QStringLiteral("10");
    TrayIcon1->SetHint(m_trayHint);
    redTooltips();
    reloadActionLists();
    applyColours();
    if (options::isOn(m_configStore, options::SavePosition))
        applyStoredPosition();
    else
        keepDesignPositionOnScreen();
    applyPicture();
    applyBorder();
    applyTransparency();
    // Measured with the border just given: a position saved on a bigger desktop.
    keepOnScreens();
}

void TForm1::FormActivate()
{
    openConfigStore();
    redTooltips();
    reloadActionLists();
    applyColours();
    applyPicture();
    applyBorder();
}

void TForm1::applyColours()
{
    setTextColour(Label1, fromColorRef(options::readColour(m_configStore, options::Color)));
    setTextColour(Label2, fromColorRef(options::readColour(m_configStore, options::Color)));
}

void TForm1::keepDesignPositionOnScreen()
{
    // The lower right corner is where the clock starts; on a screen smaller than
    // that position assumes, pull it in so that none of it is cut off.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize outer(kFramedWidth, kFramedHeight);
    move(std::max(area.left(), std::min(x(), area.right() + 1 - outer.width())),
         std::max(area.top(), std::min(y(), area.bottom() + 1 - outer.height())));
}

void TForm1::applyStoredPosition()
{
    move(options::readInt(m_configStore, options::Left, m_programDir), y());
    move(x(), options::readInt(m_configStore, options::Top, m_programDir));
}

void TForm1::keepOnScreens()
{
    QList<ScreenArea> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append({screen->geometry(), screen->availableGeometry()});
    // The whole window: until the window manager has framed it, as big as its frame will make it.
    QSize outer = frameGeometry().size();
    if (m_framed)
        outer = outer.expandedTo(QSize(kFramedWidth, kFramedHeight));
    const QPoint to = reachablePosition(QRect(pos(), outer), screens);
    if (to != pos())
        move(to);
}

void TForm1::watchScreens()
{
    // A monitor unplugged or a smaller resolution can leave the clock where
    // nothing shows it. The screens settle first, then the clock is measured.
    const auto changed = [this] { QTimer::singleShot(0, this, [this] { keepOnScreens(); }); };
    const auto watch = [this, changed](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, changed);
        connect(screen, &QScreen::availableGeometryChanged, this, changed);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [watch, changed](QScreen* screen) {
        watch(screen);
        changed();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, changed);
}

void TForm1::storePosition()
{
    options::write(m_configStore, options::Left, conv::intToStr(x()));
    options::write(m_configStore, options::Top, conv::intToStr(y()));
}

void TForm1::applyPicture()
{
    const QString configured = options::read(m_configStore, options::Picture, m_programDir);
    QImage image;
    try {
        image = loadPicture(paths::resolve(m_programDir, configured));
    } catch (const Error&) {
        image = loadPicture(paths::resolve(m_programDir, u"data\\BackGround1.jpg"));
    }
    Image1->setPicture(image);
}

void TForm1::applyBorder()
{
    setFramed(options::isOn(m_configStore, options::WithBoard));
}

void TForm1::setFramed(bool framed)
{
    // Changing window flags re-creates the native window, so it is done only
    // when the border really changes, never as a matter of routine.
    if (!m_borderApplied || framed != m_framed) {
        // A caption and no buttons, as far as the window manager follows the hints.
        const Qt::WindowFlags flags =
            Qt::Window | Qt::WindowStaysOnTopHint |
            (framed ? (Qt::CustomizeWindowHint | Qt::WindowTitleHint) : Qt::FramelessWindowHint);
        const bool wasVisible = isVisible();
        setWindowFlags(flags);
        if (wasVisible) {
            show();
            keepOutOfTaskbar();
        }
        m_borderApplied = true;
    }
    m_framed = framed;
    if (!framed) {
        setFixedSize(kClientWidth, kClientHeight);
    } else {
        // The whole window, frame included, is 135 x 81 where the window
        // manager lets us know its frame.
        QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
        if (frame.isNull())
            frame = QMargins(4, 30, 4, 4);
        setFixedSize(std::max(kClientWidth, kFramedWidth - frame.left() - frame.right()),
                     std::max(kClientHeight, kFramedHeight - frame.top() - frame.bottom()));
    }
}

void TForm1::resizeEvent(QResizeEvent* e)
{
    if (Image1)
        Image1->setGeometry(rect());
    QWidget::resizeEvent(e);
}

void TForm1::applyTransparency()
{
    if (!options::isOn(m_configStore, options::UseAlpha)) {
        setWindowOpacity(1.0);
        return;
    }
    const int value = options::readInt(m_configStore, options::AlphaValue, m_programDir);
    // One byte: 129 wraps to fully transparent. Unsigned, so that no value near
    // the integer limits overflows; the low byte is the same.
    const int alpha = int((unsigned(value) + 127u) & 0xFFu);
    setWindowOpacity(alpha / 255.0);
}

// ---------------------------------------------------------------- the tick

void TForm1::armTimer1()
{
    // Just after the next wall-clock second begins, so that under normal load
    // every second's time text is seen by exactly one tick.
    const qint64 ms = QDateTime::currentMSecsSinceEpoch() % 1000;
    Timer1->start(int(1000 - ms + 5));
}

void TForm1::Timer1Timer() { m_session.tick(); }

void TForm1::showTime(const QDateTime& now)
{
    if (isVisible() && m_services.windows)
        m_services.windows->keepAbove(winId());
    showClock(now);
    if (options::isOn(m_configStore, options::ShowTimeInTitle))
        showTitle();
}

void TForm1::stopSoundAvailable(bool available) { N1->setEnabled(available); }

void TForm1::cancelShutdownAvailable() { N3->setEnabled(true); }

void TForm1::shutdownScheduled(int seconds, const QString& message)
{
    m_warning->start(message, seconds);
}

void TForm1::showReminder(const QString& title, const QString& text)
{
    m_windows.reminderWindow().showReminder(title, text);
}

void TForm1::reminderClosed()
{
    if (inTray == 1)
        SendToTray1Click();
}

void TForm1::showClock() { showClock(m_services.clock->now()); }

void TForm1::showClock(const QDateTime& now)
{
    setCaption(Label1, timetext::timeToStr(now.time()));
    setCaption(Label2, timetext::dateToStr(now.date()));
    Label3->setText(timetext::weekdayText(timetext::strToDate(Label2->text())));
    m_trayHint = QStringLiteral("Время : ") + Label1->text() + QStringLiteral(" Дата : ") +
                 Label2->text();
    TrayIcon1->SetHint(m_trayHint);
}

void TForm1::showTitle()
{
    if (m_services.windows)
        m_title.showTitle(*m_services.windows, m_trayHint);
}

// ---------------------------------------------------------------- tray and menu

bool TForm1::protectionOn() const
{
    return m_services.machine->readString(QStringLiteral("USE")) == u"1";
}

void TForm1::keepOutOfTaskbar()
{
    if (m_skipTaskbar && m_services.windows && isVisible())
        m_services.windows->setSkipTaskbar(winId(), true);
}

bool TForm1::trayAvailable() const { return m_trayArea->available(); }

void TForm1::SendToTray1Click()
{
    if (inTray == 1) {
        TrayIcon1->SetVisible(false);
        TrayIcon1->Restore();
    } else {
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
    if (options::isOn(m_configStore, options::SavePosition)) {
        applyStoredPosition();
        keepOnScreens();
    }
}

void TForm1::TrayIcon1Minimize()
{
    if (!TrayIcon1->Visible())
        TrayIcon1->SetVisible(true);
    SendToTray1->setIcon(menuPicture(u"data\\res.bmp"));
    inTray = 1;
    if (options::isOn(m_configStore, options::SavePosition))
        storePosition();
}

void TForm1::TrayIcon1Restore()
{
    applyBorder();
    if (m_services.windows && isVisible())
        m_services.windows->keepAbove(winId());
    applyBorder();
    if (TrayIcon1->Visible())
        TrayIcon1->SetVisible(false);
    SendToTray1->setIcon(menuPicture(u"data\\min.bmp"));
    inTray = 0;
    m_skipTaskbar = true;
    keepOutOfTaskbar();
}

QIcon TForm1::menuPicture(QStringView name) const
{
    // Throws when the picture is missing, which ends the calling handler.
    return QIcon(QPixmap::fromImage(loadPicture(paths::resolve(m_programDir, name))));
}

void TForm1::TrayIcon1Click() { SendToTray1->trigger(); }

void TForm1::PopupMenu1Popup()
{
    SendToTray1->setText(inTray != 0 ? QStringLiteral("Восстановить из трея")
                                     : QStringLiteral("Свернуть в трей"));
}

void TForm1::Timer2Timer()
{
    Timer2->stop();
    // On a desktop without a notification area (many have none) the clock just
    // stays where it is, without a box at every start; the steps below still
    // run, or the editors' clock would never start and every exit would
    // restart the program.
    if (trayAvailable()) {
        m_report.guard([this] {
            SendToTray1Click();
            if (!options::isOn(m_configStore, options::TraySet))
                SendToTray1Click();
        });
    } else {
        m_skipTaskbar = true;
        keepOutOfTaskbar();
    }
    m_windows.startEditorClock();
    m_session.setExitAllowed(protectionOn() ? 0 : 1);
}

void TForm1::N1Click() { m_session.stopSound(); }

void TForm1::passwordGate(int command)
{
    m_pendingCommand = command;
    m_windows.passwordWindow().exec(); // it carries the command out after the right password
}

void TForm1::N3Click()
{
    if (protectionOn()) {
        hide();
        return passwordGate(4);
    }
    abortShutdown();
}

void TForm1::abortShutdown()
{
    m_services.power->cancelShutdown();
    m_warning->stop();
    N3->setEnabled(false);
}

void TForm1::N5Click()
{
    hide();
    if (protectionOn())
        return passwordGate(3);
    m_session.setExitAllowed(1);
    close();
}

void TForm1::N6Click()
{
    hide();
    if (protectionOn())
        return passwordGate(2);
    m_services.shell->open(m_programDir + QStringLiteral("conf"), QString(), m_programDir);
    close();
}

void TForm1::ConfigureClick()
{
    hide();
    if (protectionOn())
        passwordGate(1);
    else
        showSettings();
    if (inTray == 1)
        SendToTray1->trigger();
}

void TForm1::N7Click() { m_services.shell->open(kDownloadPage, QString(), QString()); }

void TForm1::Image1DblClick() { ConfigureClick(); }

void TForm1::runTemplate(QStringView itemName)
{
    for (const ShutdownTemplate& t : kShutdownTemplates) {
        if (t.itemName != itemName)
            continue;
        QString caption = t.caption.toString();
        for (auto it = m_templateItems.cbegin(); it != m_templateItems.cend(); ++it) {
            if (it.value() == itemName)
                caption = it.key()->text().remove(u'&'); // a toolkit may add accelerator marks
        }
        runShutdownTemplate(t, caption, m_services.clock->now().time(), Label2->text(),
                            Label1->text(), m_configStore, m_session.actions(),
                            *m_services.beeper);
        m_session.keepActionsForTick();
        return;
    }
}

void TForm1::N12Click() { runTemplate(u"N12"); }
void TForm1::N10Click() { runTemplate(u"N10"); }
void TForm1::N601Click() { runTemplate(u"N601"); }
void TForm1::N451Click() { runTemplate(u"N451"); }
void TForm1::N301Click() { runTemplate(u"N301"); }
void TForm1::N151Click() { runTemplate(u"N151"); }
void TForm1::N101Click() { runTemplate(u"N101"); }
void TForm1::N51Click() { runTemplate(u"N51"); }
void TForm1::N31Click() { runTemplate(u"N31"); }
void TForm1::N14Click() { runTemplate(u"N14"); }
void TForm1::N13Click() { runTemplate(u"N13"); }

// ---------------------------------------------------------------- gate host

void TForm1::showMainWindow()
{
    show();
    keepOutOfTaskbar();
}

void TForm1::closeClock() { close(); }

void TForm1::showSettings()
{
    TForm2& settings = m_windows.settings();
    settings.show();
    settings.raise();
    settings.activateWindow();
}

void TForm1::setExitAllowed(int allowed) { m_session.setExitAllowed(allowed); }

// ---------------------------------------------------------------- close guard

void TForm1::forbiddenCloseRestart()
{
    m_services.messages->show(QStringLiteral("А так делать нельзя!"), QStringLiteral("<(:-Р"),
                              MessageIcon::None);
    m_services.shell->restart(m_programDir + QStringLiteral("Zentari"));
}

void TForm1::FormClose()
{
    if (m_session.exitAllowed() != 1)
        forbiddenCloseRestart();
    // The reminder editor's lists are freed here once it exists.
    m_configStore = IniFile(confPath);
    if (options::isOn(m_configStore, options::SavePosition))
        storePosition();
}

void TForm1::FormDestroy()
{
    if (protectionOn() && m_session.exitAllowed() == 0)
        forbiddenCloseRestart();
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
            if (m_framed)
                setFramed(true);
            keepOutOfTaskbar();
        });
    return QWidget::event(e);
}

void TForm1::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() != QEvent::WindowStateChange || inTray != 0)
        return;
    const bool was = static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized;
    const bool is = windowState() & Qt::WindowMinimized;
    // The clock has no taskbar button and no tray icon while it is on the
    // desktop: minimised as it is, it could never be found again. So the
    // window manager's minimise sends it to the tray, or, without one, it
    // keeps a taskbar button while it is minimised.
    if (!was && is) {
        if (trayAvailable())
            QTimer::singleShot(0, this, [this] {
                if (inTray == 0 && isMinimized())
                    m_report.guard([this] { SendToTray1Click(); });
            });
        else if (m_services.windows)
            m_services.windows->setSkipTaskbar(winId(), false);
    } else if (was && !is) {
        keepOutOfTaskbar();
    }
}

void TForm1::contextMenuEvent(QContextMenuEvent* e) { PopupMenu1->popup(e->globalPos()); }

bool TForm1::eventFilter(QObject* watched, QEvent* e)
{
    const bool press = e->type() == QEvent::MouseButtonPress;
    const bool doubleClick = e->type() == QEvent::MouseButtonDblClick;
    if (watched == Label1 && (press || doubleClick))
        return true; // the time neither drags nor opens the settings
    if (watched == Image1 && doubleClick &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        m_report.guard([this] { Image1DblClick(); });
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace zentari
