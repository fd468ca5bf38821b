#include "messageboxes_qt.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace zentari {

namespace {

QMessageBox::Icon toQt(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void QtMessageBoxes::show(const QString& text, const QString& caption, MessageIcon icon)
{
    QMessageBox box(toQt(icon), caption, text, QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // A short text makes a box narrower than its caption, which the window
    // manager then cuts ("Обл... ись!"). QMessageBox sizes itself from its
    // layout, so the room is asked for there.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int room = box.fontMetrics().horizontalAdvance(caption) * 3 / 2 + 120;
        grid->addItem(new QSpacerItem(room, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
}

bool QtMessageBoxes::askYesNo(const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return box.exec() == QMessageBox::Yes;
}

} // namespace zentari
