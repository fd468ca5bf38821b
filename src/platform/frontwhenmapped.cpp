#include "frontwhenmapped.h"

#include <QTimer>
#include <QWidget>

namespace zentari {

void bringToFrontWhenMapped(QWidget* window)
{
    QTimer::singleShot(0, window, [window] {
        if (!window->isVisible())
            return;
        window->raise();
        window->activateWindow();
    });
}

} // namespace zentari
