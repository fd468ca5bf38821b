#include "core/error.h"
#include "platform/bitmapbutton.h"

#include <QAccessible>
#include <QDialog>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace zentari;

namespace {

const QRgb kWindow = qRgb(131, 226, 250);
const QRgb kKey = qRgb(0, 128, 0); // the picture's background: its bottom-left pixel
const QRgb kFace = qRgb(200, 30, 30);

// A 10 x 6 picture: a red face on a green background.
QImage sample()
{
    QImage image(10, 6, QImage::Format_RGB32);
    image.fill(kKey);
    for (int y = 1; y <= 3; ++y)
        for (int x = 2; x <= 7; ++x)
            image.setPixel(x, y, kFace);
    return image;
}

// The window a button lies on, counting the mouse events that reach it.
class Window : public QDialog
{
public:
    Window()
    {
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(kWindow));
        setPalette(p);
        resize(100, 60);
        setMouseTracking(true); // as the settings window, which resets the pictures on moves
        button = new BitmapButton(this);
        button->setGeometry(10, 10, 20, 12);
    }

    QRgb pixel(int x, int y) { return grab(button->geometry()).toImage().pixel(x, y) | 0xff000000; }

    BitmapButton* button;
    int mouseEvents = 0;

protected:
    void mouseMoveEvent(QMouseEvent*) override { ++mouseEvents; }
    void mousePressEvent(QMouseEvent*) override { ++mouseEvents; }
};

void sendMove(QWidget* w, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

} // namespace

TEST(BitmapButton, DrawsItsPictureWholeOrWithoutItsBackgroundUnscaledOrStretched)
{
    Window w;
    w.button->setPicture(sample());
    EXPECT_FALSE(w.button->transparent());
    EXPECT_EQ(w.pixel(0, 0), kKey);
    EXPECT_EQ(w.pixel(3, 2), kFace);
    EXPECT_EQ(w.pixel(15, 2), kWindow) << "unscaled: the rest of the button is the window";

    w.button->setTransparent(true);
    EXPECT_EQ(w.pixel(0, 0), kWindow);
    EXPECT_EQ(w.pixel(3, 2), kFace);

    w.button->setTransparent(false);
    w.button->setStretched(true);
    EXPECT_EQ(w.pixel(15, 5), kFace);
    EXPECT_EQ(w.pixel(19, 11), kKey);

    // A new picture keeps the way of drawing.
    w.button->setTransparent(true);
    w.button->setPicture(sample().mirrored(true, false));
    EXPECT_EQ(w.pixel(19, 11), kWindow);
}

TEST(BitmapButton, KeepsThePictureShownWhenAFileCannotBeLoaded)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("ButtonOptions1.bmp"));
    ASSERT_TRUE(sample().save(file));
    BitmapButton button;
    button.loadPicture(file);
    EXPECT_EQ(button.pictureFile(), file);
    EXPECT_EQ(button.picture().size(), QSize(10, 6));

    const QString missing = dir.filePath(QStringLiteral("ButtonOptions2.bmp"));
    EXPECT_THROW(button.loadPicture(missing), Error);
    EXPECT_EQ(button.pictureFile(), file);
    EXPECT_EQ(button.picture().size(), QSize(10, 6));

    button.setPicture(QImage(4, 4, QImage::Format_RGB32));
    EXPECT_EQ(button.pictureFile(), u"") << "a picture from memory has no file";
}

// Moves and presses over a button stay with it, so that the window's own
// handler (which puts the normal pictures back) runs only over its background.
TEST(BitmapButton, MouseMovesAndPressesAreItsOwnAndAClickIsALeftReleaseOverIt)
{
    Window w;
    w.show();
    BitmapButton* b = w.button;
    QSignalSpy moved(b, &BitmapButton::mouseMoved);
    QSignalSpy down(b, &BitmapButton::mouseDown);
    QSignalSpy clicked(b, &BitmapButton::clicked);

    sendMove(b, QPoint(5, 5));
    EXPECT_EQ(moved.count(), 1);

    QTest::mousePress(b, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(b, Qt::RightButton, {}, QPoint(5, 5));
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(down[0][0].value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(clicked.count(), 0);

    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(down.count(), 2);
    EXPECT_EQ(clicked.count(), 1);

    // Pressed, then moved off and released elsewhere: no click.
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent drag(QEvent::MouseMove, QPointF(50, 40), b->mapToGlobal(QPointF(50, 40)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(b, &drag);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(50, 40));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(moved.count(), 2);
    EXPECT_EQ(w.mouseEvents, 0);

    sendMove(&w, QPoint(80, 50));
    EXPECT_EQ(w.mouseEvents, 1) << "the window's own moves still reach it";
}

TEST(BitmapButton, TabReachesItWhereTheWindowOffersItAndSpaceEnterReturnPressIt)
{
    Window w;
    auto* before = new QPushButton(QStringLiteral("ОК"), &w);
    before->setGeometry(40, 10, 40, 20);
    before->setDefault(true);
    QSignalSpy defaultPressed(before, &QPushButton::clicked);
    w.button->stackUnder(before);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(w.button->focusPolicy(), Qt::NoFocus) << "by default for the mouse only";
    EXPECT_NE(before->nextInFocusChain(), w.button);

    BitmapButton* b = w.button;
    b->setFocusPolicy(Qt::TabFocus);
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_TRUE(b->hasFocus());
    QSignalSpy clicked(b, &BitmapButton::clicked);

    // Space presses it as any button: down with the key, clicked when it is let go.
    QTest::keyPress(b, Qt::Key_Space);
    EXPECT_TRUE(b->isDown());
    EXPECT_EQ(clicked.count(), 0);
    QTest::keyRelease(b, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 1);

    // Return and Enter press it, not the dialog's default button.
    QTest::keyClick(b, Qt::Key_Return);
    QTest::keyClick(b, Qt::Key_Enter);
    EXPECT_EQ(clicked.count(), 3);
    EXPECT_EQ(defaultPressed.count(), 0);

    // Arrows leave the focus where it is; Escape still closes the dialog.
    QTest::keyClick(b, Qt::Key_Right);
    EXPECT_TRUE(b->hasFocus());
    QTest::keyClick(b, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(clicked.count(), 3);
}

TEST(BitmapButton, AScreenReaderFindsAPushButtonNamedByItsCaptionAndPressesIt)
{
    Window w;
    w.button->setText(QStringLiteral("Добавить действие"));
    w.button->setToolTip(QStringLiteral("Нажмите здесь чтобы перейти к добавлению действий"));
    w.show();
    QSignalSpy clicked(w.button, &BitmapButton::clicked);
    QSignalSpy down(w.button, &BitmapButton::mouseDown);

    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(w.button);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), u"Добавить действие");
    EXPECT_EQ(button->text(QAccessible::Description), w.button->toolTip());
    EXPECT_FALSE(button->state().checkable);
    QAccessibleActionInterface* actions = button->actionInterface();
    ASSERT_TRUE(actions);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicked.count() == 1; }, 2000));
    EXPECT_EQ(down.count(), 0) << "not a mouse press: the picture stays";
}
