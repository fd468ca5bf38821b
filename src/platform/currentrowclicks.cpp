#include "currentrowclicks.h"

#include <QAbstractItemView>
#include <QMouseEvent>

namespace zentari {

CurrentRowClicks::CurrentRowClicks(QAbstractItemView* view) : QObject(view), m_view(view)
{
    // The filter sees the press before the view moves its current line.
    view->viewport()->installEventFilter(this);
    connect(view, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.row() == m_rowAtPress)
            Q_EMIT clicked();
    });
}

bool CurrentRowClicks::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_view->viewport() && e->type() == QEvent::MouseButtonPress) {
        const QModelIndex current = m_view->currentIndex();
        m_rowAtPress = current.isValid() ? current.row() : -1;
    }
    return QObject::eventFilter(watched, e);
}

} // namespace zentari
