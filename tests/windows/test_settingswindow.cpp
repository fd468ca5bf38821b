// The settings window, the position chooser and the about box on the offscreen
// platform, with the real clock window and recording fakes for the system.
#include "app/clockfixture.h"
#include "app/qttranslations.h"
#include "core/product.h"
#include "platform/bitmapbutton.h"
#include "reminders/remindereditor.h"
#include "windows/hinthook.h"

#include <QAccessible>
#include <QApplication>
#include <QHelpEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolTip>

using namespace zentari;
using zentari::test::ClockFixture;

namespace {

QString pictureName(const BitmapButton* button)
{
    return button->pictureFile().section(u'/', -1);
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

class SettingsWindow : public ClockFixture
{
protected:
    // The clock as the user sees it 2.3 s after start: shown, on top, no tray icon.
    TForm1& startShown(const QString& conf = QStringLiteral("[Options big]\nTraySet=0\n"))
    {
        TForm1& clock = start(conf);
        clock.show();
        clock.Timer2Timer();
        settle();
        return clock;
    }
};

} // namespace

// Where the designed fonts are missing, the stand-ins must not push a text
// under a check box, off a button or out of the window.
TEST_F(SettingsWindow, TextsStayClearOfTheBoxesAndOnTheirButtons)
{
    startShown();
    TForm2& s = *form2;
    for (const auto& [text, box] :
         std::vector<std::pair<QLabel*, QCheckBox*>>{{s.Label1, s.CheckBox1},
                                                     {s.Label3, s.CheckBox1},
                                                     {s.Label7, s.CheckBox3},
                                                     {s.Label2, s.CheckBox2},
                                                     {s.Label4, s.CheckBox2}}) {
        EXPECT_FALSE(text->geometry().intersects(box->geometry())) << text->text().toStdString();
        EXPECT_LT(text->geometry().right(), s.width()) << text->text().toStdString();
    }
    for (const auto& [caption, button] :
         std::vector<std::pair<QLabel*, BitmapButton*>>{{s.Label8, s.SpeedButton3},
                                                        {s.Label9, s.SpeedButton5},
                                                        {s.Label10, s.SpeedButton1},
                                                        {s.Label11, s.SpeedButton2},
                                                        {s.Label12, s.Image2}}) {
        EXPECT_GE(caption->x(), std::max(button->x(), 0)) << caption->text().toStdString();
        EXPECT_LT(caption->geometry().right(), std::min(button->x() + 241, s.width()))
            << caption->text().toStdString();
        EXPECT_GE(caption->font().pixelSize(), 14) << caption->text().toStdString();
        EXPECT_EQ(caption->toolTip(), button->toolTip()); // the caption tells what its button does
    }
    // Every button starts with its normal picture, drawn transparent.
    for (BitmapButton* b :
         {s.SpeedButton1, s.SpeedButton2, s.SpeedButton3, s.SpeedButton5, s.Image2}) {
        EXPECT_EQ(pictureName(b), u"ButtonOptions1.bmp");
        EXPECT_TRUE(b->transparent());
    }
}

TEST_F(SettingsWindow, ActivationRereadsTheOptionsAndUndoesAnUnsavedAlarmSwitch)
{
    startShown();
    EXPECT_TRUE(form2->CheckBox1->isChecked());
    EXPECT_FALSE(form2->CheckBox3->isChecked());
    EXPECT_FALSE(form2->CheckBox2->isChecked());

    form1->ConfigureClick();
    settle();
    ASSERT_TRUE(form2->isVisible());
    EXPECT_TRUE(form2->CheckBox4->isChecked());
    form2->CheckBox1->setChecked(false);
    form2->CheckBox2->setChecked(true);
    conf(QStringLiteral("[Options big]\nTraySet=0\nWithBoard=1\nStayOnTop=0\n"));
    form2->close();
    settle();
    form1->ConfigureClick();
    settle();
    EXPECT_TRUE(form2->CheckBox1->isChecked());  // "on" says yes
    EXPECT_TRUE(form2->CheckBox3->isChecked());  // "WithBoard" 1
    EXPECT_FALSE(form2->CheckBox4->isChecked()); // "StayOnTop" 0
    EXPECT_TRUE(form2->CheckBox2->isChecked());  // the wide panel keeps the user's choice
}

TEST_F(SettingsWindow, ComingBackFromAnotherOfTheProgramsWindowsIsAnActivation)
{
    startShown();
    form1->ConfigureClick();
    settle();
    ASSERT_TRUE(form2->CheckBox1->isChecked());

    conf(QStringLiteral("[Options small]\non=no\n"));
    QWidget editor; // any window of the program opened over the settings
    editor.show();
    editor.activateWindow();
    settle();
    ASSERT_EQ(QApplication::activeWindow(), &editor);
    editor.close();
    form2->activateWindow();
    settle();
    ASSERT_EQ(QApplication::activeWindow(), form2.get());
    EXPECT_FALSE(form2->CheckBox1->isChecked());

    // The user goes to another program and comes back: what was set stays.
    form2->CheckBox1->setChecked(true);
    Q_EMIT qApp->focusWindowChanged(nullptr);
    Q_EMIT qApp->focusWindowChanged(form2->windowHandle());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(form2.get(), &activate);
    EXPECT_TRUE(form2->CheckBox1->isChecked());
}

TEST_F(SettingsWindow, ClearingTheAlarmBoxSilencesTheNextTickWithoutSaving)
{
    TForm1& clock = startShown(QStringLiteral(
        "[Options big]\nTraySet=0\n[Actionx]\nAction=0\nTime=12:00:01\nType_Per=2\nPath=a.mp3\n"));
    dir.write(QStringLiteral("data/1Ids.zdt"), "x\r\n");
    dir.write(QStringLiteral("data/1Paths.zdt"), "x\r\n");
    clock.FormActivate();
    sys.clock.set(QDateTime(QDate(2026, 12, 8), QTime(12, 0, 0)));
    clock.Timer1Timer();
    form2->CheckBox1->setChecked(false);
    sys.clock.set(QDateTime(QDate(2026, 12, 8), QTime(12, 0, 1)));
    clock.Timer1Timer();
    EXPECT_TRUE(sys.logged(QStringLiteral("play")).isEmpty());
    EXPECT_EQ(confValue(QStringLiteral("Options small"), QStringLiteral("on")), u"<missing>");
}

// The whole way: from the clock's menu to the settings, the chooser's top-left
// corner, the frame switched on, "Сохранить", and the clock back framed there.
TEST_F(SettingsWindow, ChoosingTopLeftAndAFrameMovesAndFramesTheClock)
{
    TForm1& clock = startShown();
    ASSERT_TRUE(clock.isVisible());
    const int traysBefore = int(traySteps.count(QStringLiteral("add")));

    clock.ConfigureClick();
    settle();
    EXPECT_FALSE(clock.isVisible());
    ASSERT_TRUE(form2->isVisible());

    form2->LabelMouseUp(form2->Label12); // the caption stands for its button
    settle();
    ASSERT_TRUE(form7->isVisible());
    QTest::mouseClick(form7->RadioButton1, Qt::LeftButton);
    EXPECT_TRUE(form7->RadioButton1->isChecked());
    QTest::mouseClick(form7->Button1, Qt::LeftButton);
    settle();
    EXPECT_FALSE(form7->isVisible());
    EXPECT_EQ(form2->steps().positionChosen, 1);

    QTest::mouseClick(form2->CheckBox3, Qt::LeftButton);
    ASSERT_TRUE(form2->CheckBox3->isChecked());
    QTest::mouseClick(form2->SpeedButton1, Qt::LeftButton, {}, QPoint(100, 30));
    settle();

    EXPECT_FALSE(form2->isVisible());
    EXPECT_TRUE(clock.isVisible());
    EXPECT_FALSE(clock.windowFlags() & Qt::FramelessWindowHint);
    const QRect available = clock.screen()->availableGeometry();
    EXPECT_EQ(clock.pos(), available.topLeft());
    EXPECT_EQ(confValue(QStringLiteral("Options big"), QStringLiteral("WithBoard")), u"1");
    EXPECT_EQ(form2->steps().positionChosen, 0);
    // Through the tray and back once.
    EXPECT_EQ(traySteps.count(QStringLiteral("add")), traysBefore + 1);
    EXPECT_EQ(clock.inTray, 0);

    // And back to bare in the bottom-right corner.
    clock.ConfigureClick();
    settle();
    form2->Image2Click();
    form7->RadioButton4->setChecked(true);
    form7->Button1Click();
    form2->CheckBox3->setChecked(false);
    form2->SpeedButton1Click();
    settle();
    EXPECT_TRUE(clock.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(clock.size(), QSize(127, 47));
    EXPECT_EQ(clock.frameGeometry(),
              QRect(available.bottomRight() - QPoint(126, 46), QSize(127, 47)));
    EXPECT_EQ(confValue(QStringLiteral("Options big"), QStringLiteral("WithBoard")), u"0");
    EXPECT_TRUE(sys.messages.shown.isEmpty()) << sys.messages.shown.join(u"\n").toStdString();
}

// A screen reader, like the real-window tests, sees the picture buttons as
// buttons named by their captions, and pressing one does what a click does.
TEST_F(SettingsWindow, AScreenReaderFindsAndPressesThePictureButtons)
{
    TForm1& clock = startShown();
    clock.ConfigureClick();
    settle();
    ASSERT_TRUE(form2->isVisible());

    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(form2->SpeedButton5);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), u"Добавить сообщение");
    EXPECT_EQ(button->text(QAccessible::Description), form2->SpeedButton5->toolTip());
    QAccessibleActionInterface* actions = button->actionInterface();
    ASSERT_TRUE(actions);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    // Pressed as Qt presses any button, a moment later; the editor is modal.
    bool editorShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (form5->isVisible()) {
            editorShown = true;
            form5->reject();
        }
    });
    watch.start(10);
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return editorShown; }, 3000));

    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(form2->CheckBox1);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(QAccessible::Name), u"Активировать будильник");
}

TEST_F(SettingsWindow, ExitAsksAndEndsOnlyOnYes)
{
    TForm1& clock = startShown();
    session->setExitAllowed(0);
    clock.ConfigureClick();
    settle();
    sys.messages.answer = false;
    form2->LabelMouseUp(form2->Label11);
    EXPECT_EQ(sys.logged(QStringLiteral("question")),
              QStringList{QStringLiteral("question\tВыходим? Так быстро...\tЗавершить работу "
                                         "приложения ?")});
    EXPECT_EQ(session->exitAllowed(), 1); // stays, though the answer was No
    EXPECT_TRUE(form2->isVisible());

    sys.messages.answer = true;
    form2->SpeedButton2Click();
    settle();
    EXPECT_FALSE(clock.isVisible());
    EXPECT_TRUE(sys.logged(QStringLiteral("restart")).isEmpty()); // no forbidden-close restart
}

TEST_F(SettingsWindow, ButtonPicturesFollowHoverPressAndTheResetOnTheBackground)
{
    startShown();
    TForm2& s = *form2;
    s.ImageButtonMouseMove(s.SpeedButton1);
    EXPECT_EQ(pictureName(s.SpeedButton1), u"ButtonOptions2.bmp");
    EXPECT_FALSE(s.SpeedButton1->transparent());
    EXPECT_EQ(s.hoverFlag(), 1);
    s.ImageButtonMouseMove(s.SpeedButton2); // one hover at a time
    EXPECT_EQ(pictureName(s.SpeedButton2), u"ButtonOptions1.bmp");

    s.LabelMouseDown(s.Label11); // pressed through its caption
    EXPECT_EQ(pictureName(s.SpeedButton2), u"ButtonOptions3.bmp");
    EXPECT_TRUE(s.SpeedButton2->transparent());
    s.ImageButtonMouseDown(s.SpeedButton1);
    EXPECT_EQ(pictureName(s.SpeedButton1), u"ButtonOptions3.bmp");

    // Over the background: only the opaque button gets its normal picture back.
    QMouseEvent move(QEvent::MouseMove, QPointF(250, 140), s.mapToGlobal(QPointF(250, 140)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&s, &move);
    EXPECT_EQ(s.hoverFlag(), 0);
    EXPECT_EQ(pictureName(s.SpeedButton1), u"ButtonOptions1.bmp");
    EXPECT_TRUE(s.SpeedButton1->transparent());
    EXPECT_EQ(pictureName(s.SpeedButton2), u"ButtonOptions3.bmp");

    // A missing picture is reported; the button keeps what it showed.
    QFile::remove(dir.file(QStringLiteral("data/buttons/ButtonOptions2.bmp")));
    Q_EMIT s.SpeedButton3->mouseMoved();
    EXPECT_EQ(pictureName(s.SpeedButton3), u"ButtonOptions1.bmp");
    EXPECT_EQ(s.hoverFlag(), 0);
    ASSERT_EQ(sys.messages.shown.size(), 1);
    EXPECT_TRUE(sys.messages.shown[0].contains(u"ButtonOptions2.bmp"));
}

TEST_F(SettingsWindow, HintsOfEveryWindowArePaleYellowAndAtMost300PixelsWide)
{
    TForm1& clock = startShown();
    clock.FormActivate(); // the clock colours the tooltips red
    form1->ConfigureClick();
    settle();
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), form2->Label2->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(form2->Label2, &help);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase),
              QColor(255, 255, 128));
    QWidget* tip = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == u"qtooltip_label" && w->isVisible())
            tip = w;
    ASSERT_NE(tip, nullptr);
    EXPECT_LE(tip->width(), HintHook::kMaxWidth);
    EXPECT_TRUE(QToolTip::text().contains(u'\n'));
    QToolTip::hideText();

    const QFontMetrics metrics(QToolTip::font());
    const QString wrapped = HintHook::wrap(form2->toolTip(), metrics, 200);
    for (const QString& line : wrapped.split(u'\n'))
        EXPECT_LE(metrics.horizontalAdvance(line), 200) << line.toStdString();
    EXPECT_EQ(QString(wrapped).replace(u'\n', u' '), form2->toolTip());
}

TEST_F(SettingsWindow, EveryWayOutOfTheChooserCountsAndItKeepsItsCorner)
{
    startShown();
    TForm7& c = *form7;
    // "Усё!" untouched: the bottom-right corner.
    c.show();
    c.Button1Click();
    EXPECT_FALSE(c.isVisible());
    EXPECT_EQ(form2->steps().positionChosen, 1);
    EXPECT_EQ(c.checkedCorner(), Corner::BottomRight);
    // Escape closes it too, and counts as a visit; the selection stays.
    c.RadioButton2->setChecked(true);
    form2->steps().positionChosen = 0;
    c.show();
    QTest::keyClick(&c, Qt::Key_Escape);
    EXPECT_FALSE(c.isVisible());
    EXPECT_EQ(form2->steps().positionChosen, 1);
    c.show();
    EXPECT_EQ(c.checkedCorner(), Corner::BottomLeft);
    c.close();
}

TEST_F(SettingsWindow, TheAboutBoxOpensFromThePictureAndItsLabelsAct)
{
    startShown();
    TForm3* about = nullptr;
    QTimer::singleShot(0, [&] {
        about = qobject_cast<TForm3*>(QApplication::activeModalWidget());
        if (about)
            about->close();
    });
    QTest::mouseDClick(form2->Image1, Qt::LeftButton);
    ASSERT_EQ(about, form3.get());

    TForm3& a = *form3;
    a.Label13Click();
    EXPECT_EQ(sys.logged(QStringLiteral("open")),
              QStringList{QStringLiteral("open\t") + productSite() + QStringLiteral("\t")});

    a.Label4Click();
    EXPECT_EQ(a.paymentPair, 1);
    a.Label4Click();
    EXPECT_EQ(a.paymentPair, 0);
    a.Label4Click(); // kept between openings
    a.show();
    a.close();
    EXPECT_EQ(a.paymentPair, 1);

    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    a.Label1Click();
    EXPECT_EQ(shown, u"Zentari v2.0");
}

TEST(QtTexts, StandardButtonsSpeakRussian)
{
    ASSERT_TRUE(installRussianQtTexts(*qApp)) << "qtbase_ru.qm is not installed";
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(u'&'), u"Да");
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(u'&'), u"Нет");
}
