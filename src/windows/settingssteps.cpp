#include "settingssteps.h"

#include "clockhost.h"
#include "core/conversions.h"
#include "core/error.h"
#include "core/options.h"

namespace zentari {

QSize clockOuterSize(bool framed)
{
    return framed ? QSize(135, 81) : QSize(127, 47);
}

QPoint cornerPosition(Corner corner, const QRect& available, QSize outer)
{
    const bool right = corner == Corner::TopRight || corner == Corner::BottomRight;
    return QPoint(right ? available.x() + available.width() - outer.width() : available.x(),
                  isLowerCorner(corner) ? available.y() + available.height() - outer.height()
                                        : available.y());
}

int widePanelTop(const QRect& screen, int panelHeight, int outerHeight)
{
    return screen.y() + screen.height() - panelHeight - outerHeight;
}

SettingsSteps::SettingsSteps(ClockHost& clock, ErrorReport& report, QString programDir)
    : m_clock(clock), m_report(report), m_programDir(std::move(programDir))
{
}

int SettingsSteps::numberOrDefault(const IniFile& config, const options::Key& key)
{
    const QString text = options::read(config, key, m_programDir);
    try {
        return conv::strToInt(text);
    } catch (const ConvertError&) {
        // Abandoning the save here would leave the clock hidden behind an open
        // settings window; the default gives it a sensible look instead.
        m_report.reportOnce(
            QStringLiteral("В conf.ini значение «%1» — «%2» — не число. Используется %3.")
                .arg(key.name, text, key.defaultValue));
        return conv::strToInt(key.defaultValue.toString());
    }
}

void SettingsSteps::save(IniFile& config, const Choices& choices)
{
    m_clock.showClock();
    if (positionChosen == 0) {
        const QPoint at = m_clock.clockPosition();
        pendingX = at.x();
        pendingY = at.y();
        m_pendingCorner.reset();
    }
    positionChosen = 0;

    options::writeSwitch(config, options::WithBoard, choices.framed);
    m_clock.setClockFramed(choices.framed);

    // The corner is measured with the border just given, on the clock's own
    // screen, so that the clock sits in it whole whatever the screen's size.
    const QSize outer = clockOuterSize(choices.framed);
    if (m_pendingCorner) {
        const QPoint at = cornerPosition(*m_pendingCorner, m_clock.availableGeometry(), outer);
        pendingX = at.x();
        pendingY = at.y();
        m_pendingCorner.reset();
    }
    int top = pendingY;
    if (choices.widePanel && isLowerCorner(choices.chooserCorner)) {
        panelTop = numberOrDefault(config, options::WidthPan);
        top = widePanelTop(m_clock.screenGeometry(), panelTop, outer.height());
    }
    m_clock.moveClock(QPoint(pendingX, top));

    if (options::isOn(config, options::UseAlpha)) {
        // One byte, as the clock reads it: unsigned, so that a value near the
        // integer limit wraps instead of overflowing.
        const unsigned value = unsigned(numberOrDefault(config, options::AlphaValue));
        m_clock.setClockAlpha(int((value + 127u) & 0xFFu));
    } else {
        m_clock.setClockAlpha(-1);
    }

    // Through the tray and back: the clock comes back with the border re-read,
    // on top, and without a taskbar button. A desktop without a notification
    // area refuses the first step; the clock is shown already, and the settings
    // window must still close, or "Сохранить" could never leave it.
    try {
        m_clock.toggleTray();
        m_clock.toggleTray();
    } catch (const Error& e) {
        m_report.reportOnce(e.message());
    }
}

} // namespace zentari
