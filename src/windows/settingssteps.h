#pragma once

#include "core/inifile.h"
#include "platform/errorreport.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace zentari {

class ClockHost;
namespace options {
struct Key;
}

// The screen corners of the position chooser, named by its radio buttons.
enum class Corner
{
    TopLeft,
    BottomLeft,
    TopRight,
    BottomRight
};

inline bool isLowerCorner(Corner c)
{
    return c == Corner::BottomLeft || c == Corner::BottomRight;
}

// The clock's whole window, frame included.
QSize clockOuterSize(bool framed);

// Where the clock's top-left goes so that it sits whole in the corner of the
// area the desktop leaves free of its panels.
QPoint cornerPosition(Corner corner, const QRect& available, QSize outer);

// The clock's top edge when the user says the taskbar is wide: its bottom edge
// `panelHeight` pixels above the bottom of the screen, for desktops that do not
// report their panel.
int widePanelTop(const QRect& screen, int panelHeight, int outerHeight);

// The settings window's state that outlives its openings, and the steps of
// "Сохранить" that give the clock its border, place and translucency.
class SettingsSteps
{
public:
    SettingsSteps(ClockHost& clock, ErrorReport& report, QString programDir);

    // Where the clock goes at the next save, and 1 once the chooser has had its say.
    int pendingX = 0;
    int pendingY = 0;
    int positionChosen = 0;
    // The last "WidthPan" read.
    int panelTop = 0;

    // The chooser's "Усё!": the corner becomes a position at the save, when the
    // clock's border and screen are known.
    void chooseCorner(Corner corner) { m_pendingCorner = corner; }
    // However the chooser closes.
    void chooserClosed() { positionChosen = 1; }

    struct Choices
    {
        bool framed = false;                        // "Главное окно с рамкой"
        bool widePanel = false;                     // "Широкая панель задач"
        Corner chooserCorner = Corner::BottomRight; // the corner the chooser shows checked
    };
    // "Сохранить", up to closing the settings window (the window's own part).
    void save(IniFile& config, const Choices& choices);

private:
    // A number option; bad text is reported once and the default taken instead.
    int numberOrDefault(const IniFile& config, const options::Key& key);

    ClockHost& m_clock;
    ErrorReport& m_report;
    QString m_programDir;
    std::optional<Corner> m_pendingCorner;
};

} // namespace zentari
