#include "windowdrag.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace zentari {

WindowDrag::WindowDrag(QWidget* window) : QObject(window), m_window(window) {}

void WindowDrag::addSource(QWidget* source)
{
    m_sources.insert(source);
    source->installEventFilter(this);
}

bool WindowDrag::eventFilter(QObject* watched, QEvent* e)
{
    if (!m_sources.contains(watched))
        return false;
    switch (e->type()) {
    case QEvent::MouseButtonPress: {
        const auto* me = static_cast<QMouseEvent*>(e);
        m_armed = me->button() == Qt::LeftButton;
        m_offset = me->globalPosition().toPoint() - m_window->pos();
        break;
    }
    case QEvent::MouseMove: {
        const auto* me = static_cast<QMouseEvent*>(e);
        if (!m_armed || !(me->buttons() & Qt::LeftButton))
            break;
        const QPoint to = me->globalPosition().toPoint() - m_offset;
        if ((to - m_window->pos()).manhattanLength() < QApplication::startDragDistance())
            break;
        m_armed = false;
        if (m_window->windowHandle() && m_window->windowHandle()->startSystemMove())
            break;
        m_window->move(to); // no window manager move: follow by hand
        m_armed = true;
        break;
    }
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        m_armed = false;
        break;
    default:
        break;
    }
    return false;
}

} // namespace zentari
