#include "settingshost.h"

#include "app/clockwindow.h"
#include "app/clockwindows.h"
#include "session/clocksession.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace zentari {

namespace {
const QScreen* screenOf(const TForm1* clock)
{
    const QScreen* screen = clock ? clock->screen() : nullptr;
    return screen ? screen : QGuiApplication::primaryScreen();
}
} // namespace

void SettingsClockHost::showClock()
{
    m_windows.clock()->showMainWindow();
}

QPoint SettingsClockHost::clockPosition() const
{
    return m_windows.clock()->pos();
}

SettingsClockHost::SettingsClockHost(ClockWindows& windows) : m_windows(windows)
{
    m_framePlacement.setInterval(50);
    QObject::connect(&m_framePlacement, &QTimer::timeout, [this] { placeFramedClock(); });
    m_mapCheck.setSingleShot(true);
    m_mapCheck.setInterval(1500);
    QObject::connect(&m_mapCheck, &QTimer::timeout, [this] { checkClockMapped(); });
}

void SettingsClockHost::moveClock(QPoint topLeft)
{
    TForm1* clock = m_windows.clock();
    m_framePlacement.stop();
    // Right after the border has been taken away the widget may still count the
    // old frame into its position; a bare window's position is its own.
    if (clock->windowFlags() & Qt::FramelessWindowHint) {
        clock->setGeometry(QRect(topLeft, clock->size()));
        return;
    }
    clock->move(topLeft);
    m_framedTarget = topLeft;
    m_framePolls = 0;
    m_settlePolls = 0;
    m_framePlacement.start();
}

void SettingsClockHost::placeFramedClock()
{
    TForm1* clock = m_windows.clock();
    // A busy desktop may take its time to frame a window; after ten seconds
    // no frame is coming.
    if (!clock || ++m_framePolls > 220) {
        m_framePlacement.stop();
        return;
    }
    QWindow* window = clock->windowHandle();
    if (!clock->isVisible() || !window)
        return;
    if (window->frameMargins().isNull()) {
        // Qt learns the frame only from a configure event that follows the
        // framing; one that came too early leaves it believing there is none.
        // Asking for the same geometry makes the window manager answer again.
        if (window->isExposed() && m_framePolls % 5 == 0)
            window->setGeometry(window->geometry());
        return;
    }
    if (m_settlePolls == 0)
        clock->setFramed(true); // the whole window 135 x 81, now that the frame is known
    // A resize sent while the window manager's answer to a move is still on its
    // way carries the old place; so the place is checked for a little while.
    if (clock->frameGeometry().topLeft() != m_framedTarget)
        clock->move(m_framedTarget);
    if (++m_settlePolls >= 20)
        m_framePlacement.stop();
}

void SettingsClockHost::setClockFramed(bool framed)
{
    m_windows.clock()->setFramed(framed);
}

void SettingsClockHost::setClockAlpha(int alpha)
{
    m_windows.clock()->setWindowOpacity(alpha < 0 ? 1.0 : alpha / 255.0);
}

void SettingsClockHost::toggleTray()
{
    m_windows.clock()->SendToTray1Click();
    m_mapCheck.start();
}

void SettingsClockHost::checkClockMapped()
{
    // Hidden and shown again within a moment, a window can get lost between
    // the window manager's steps on a busy desktop: the clock then believes it
    // is shown while nothing is on the screen, and only the menu of a clock
    // nobody sees could bring it back. It is shown afresh instead.
    TForm1* clock = m_windows.clock();
    const QWindow* window = clock ? clock->windowHandle() : nullptr;
    if (clock && window && clock->inTray == 0 && clock->isVisible() && !window->isExposed()) {
        clock->hide();
        clock->showMainWindow();
    }
}

QRect SettingsClockHost::screenGeometry() const
{
    const QScreen* screen = screenOf(m_windows.clock());
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

QRect SettingsClockHost::availableGeometry() const
{
    const QScreen* screen = screenOf(m_windows.clock());
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void SettingsClockHost::allowExit()
{
    m_windows.session().setExitAllowed(1);
}

void SettingsClockHost::closeClock()
{
    m_windows.clock()->close();
}

} // namespace zentari
