#pragma once

#include <QObject>
#include <QPoint>
#include <QSet>

class QWidget;

namespace zentari {

// Moves a window with the left mouse button from chosen parts of it. The move
// starts once the pointer has travelled with the button held, so that a double
// click still reaches those parts; the window manager moves the window where it
// can, else the window follows the pointer.
class WindowDrag : public QObject
{
public:
    explicit WindowDrag(QWidget* window);
    void addSource(QWidget* source);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QWidget* m_window;
    QSet<QObject*> m_sources;
    bool m_armed = false;
    QPoint m_offset; // pointer minus window position at the press
};

} // namespace zentari
