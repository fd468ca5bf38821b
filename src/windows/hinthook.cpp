#include "hinthook.h"

#include <QApplication>
#include <QColor>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>
#include <QWidget>

namespace zentari {

const QColor& HintHook::colour()
{
    static const QColor c(255, 255, 128);
    return c;
}

HintHook::HintHook(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

QString HintHook::wrap(const QString& text, const QFontMetrics& metrics, int width)
{
    QStringList lines;
    for (const QString& paragraph : text.split(u'\n')) {
        QString line;
        for (const QString& word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
            const QString longer = line.isEmpty() ? word : line + u' ' + word;
            if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
                lines.append(line);
                line = word;
            } else {
                line = longer;
            }
        }
        lines.append(line);
    }
    return lines.join(u'\n');
}

bool HintHook::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() != QEvent::ToolTip || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    const QString hint = widget->toolTip();
    if (hint.isEmpty())
        return false; // not this one's to show: the event goes on to its parent
    // Other windows colour the tooltips too (the clock makes them red); the
    // colour is set each time, just before a hint shows.
    QPalette palette = QToolTip::palette();
    palette.setColor(QPalette::Inactive, QPalette::ToolTipBase, colour());
    palette.setColor(QPalette::Active, QPalette::ToolTipBase, colour());
    palette.setColor(QPalette::Inactive, QPalette::ToolTipText, Qt::black);
    palette.setColor(QPalette::Active, QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(palette);
    // The tooltip's frame and margins come off the 300 pixels.
    const int frame = 2 * (2 + widget->style()->pixelMetric(QStyle::PM_ToolTipLabelFrameWidth));
    const QString shown = wrap(hint, QFontMetrics(QToolTip::font()), kMaxWidth - frame - 4);
    // Long hints need their time to be read: the tip stays for as long as the
    // pointer rests on the control (Qt hides it as soon as the pointer leaves).
    QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), shown, widget, QRect(), kShowMs);
    return true;
}

} // namespace zentari
