#include "settingshost.h"

#include "app/clockwindow.h"
#include "windows/passwordgate.h"

#include <QGuiApplication>
#include <QScreen>

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
    m_forms.Form1->showMainWindow();
}

QPoint SettingsClockHost::clockPosition() const
{
    return m_forms.Form1->pos();
}

void SettingsClockHost::moveClock(QPoint topLeft)
{
    TForm1* clock = m_forms.Form1;
    // Right after the border has been taken away the widget may still count the
    // old frame into its position; a bare window's position is its own.
    if (clock->windowFlags() & Qt::FramelessWindowHint)
        clock->setGeometry(QRect(topLeft, clock->size()));
    else
        clock->move(topLeft);
}

void SettingsClockHost::setClockFramed(bool framed)
{
    m_forms.Form1->setFramed(framed);
}

void SettingsClockHost::setClockAlpha(int alpha)
{
    m_forms.Form1->setWindowOpacity(alpha < 0 ? 1.0 : alpha / 255.0);
}

void SettingsClockHost::toggleTray()
{
    m_forms.Form1->SendToTray1Click();
}

QRect SettingsClockHost::screenGeometry() const
{
    const QScreen* screen = screenOf(m_forms.Form1);
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

QRect SettingsClockHost::availableGeometry() const
{
    const QScreen* screen = screenOf(m_forms.Form1);
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void SettingsClockHost::allowExit()
{
    if (m_forms.Form9)
        m_forms.Form9->exitAllowed = 1;
}

void SettingsClockHost::closeClock()
{
    m_forms.Form1->close();
}

} // namespace zentari
