#include "platform/messageboxes_qt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zentari;

namespace {

struct SeenBox
{
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool onTop = false;
    bool modal = false;
};

// Shows a box and closes it from the event loop that show() runs, noting what
// was on screen. show() returning at all proves it waits only for the close.
SeenBox showAndClose(MessageIcon icon)
{
    SeenBox seen;
    QTimer poll;
    QDeadlineTimer deadline(10000);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (deadline.hasExpired()) { // never hang the run: close whatever box there is
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<QMessageBox*>(w))
                    w->close();
            return;
        }
        if (!box || !box->isVisible())
            return;
        seen = {box->windowTitle(), box->text(), box->icon(),
                box->windowFlags().testFlag(Qt::WindowStaysOnTopHint), box->isModal()};
        box->button(QMessageBox::Ok)->click();
    });
    poll.start(10);
    QtMessageBoxes().show(QStringLiteral("А так делать нельзя!"), QStringLiteral("<(:-Р"), icon);
    return seen;
}

} // namespace

TEST(QtMessageBoxes, ShowsCaptionAndTextModallyAboveTheClock)
{
    const SeenBox seen = showAndClose(MessageIcon::None);
    EXPECT_EQ(seen.caption, QStringLiteral("<(:-Р"));
    EXPECT_EQ(seen.text, QStringLiteral("А так делать нельзя!"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_TRUE(seen.onTop);
    EXPECT_TRUE(seen.modal);
}

TEST(QtMessageBoxes, IconsMapToQt)
{
    EXPECT_EQ(showAndClose(MessageIcon::Error).icon, QMessageBox::Critical);
    EXPECT_EQ(showAndClose(MessageIcon::Warning).icon, QMessageBox::Warning);
    EXPECT_EQ(showAndClose(MessageIcon::Information).icon, QMessageBox::Information);
}
