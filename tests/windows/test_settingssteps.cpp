#include "core/error.h"
#include "support/fakes.h"
#include "support/programdir.h"
#include "windows/clockhost.h"
#include "windows/settingssteps.h"

#include <gtest/gtest.h>

using namespace zentari;
using namespace zentari::test;

namespace {

// A clock that notes what is done to it, on a 1024 x 768 screen with a
// 30-pixel panel at the bottom unless a test says otherwise.
class RecordingClock : public ClockHost
{
public:
    QStringList steps;
    QPoint at{500, 300};
    QRect screen{0, 0, 1024, 768};
    QRect available{0, 0, 1024, 738};

    void showClock() override { steps.append(QStringLiteral("show")); }
    QPoint clockPosition() const override { return at; }
    void moveClock(QPoint p) override
    {
        at = p;
        steps.append(QStringLiteral("move %1,%2").arg(p.x()).arg(p.y()));
    }
    void setClockFramed(bool framed) override
    {
        steps.append(framed ? QStringLiteral("framed") : QStringLiteral("bare"));
    }
    void setClockAlpha(int alpha) override { steps.append(QStringLiteral("alpha %1").arg(alpha)); }
    void toggleTray() override
    {
        if (noTray)
            throw Error(QStringLiteral("Cannot Create System Shell Notification Icon"));
        steps.append(QStringLiteral("tray"));
    }
    bool noTray = false;
    QRect screenGeometry() const override { return screen; }
    QRect availableGeometry() const override { return available; }
    void allowExit() override { steps.append(QStringLiteral("allow exit")); }
    void closeClock() override { steps.append(QStringLiteral("close")); }
};

class SaveSteps : public ::testing::Test
{
protected:
    ProgramDir dir;
    FakeSystem sys;
    ErrorReport report{sys.messages};
    RecordingClock clock;
    SettingsSteps steps{clock, report, dir.path()};
    IniFile config;

    void SetUp() override { conf(QString()); }
    void conf(const QString& text)
    {
        dir.writeConf(text);
        config = IniFile(dir.confPath());
        config.recheckNow();
    }
    QString withBoard()
    {
        IniFile fresh(dir.confPath());
        fresh.recheckNow();
        return fresh.readString(u"Options big", u"WithBoard", QStringLiteral("<missing>"));
    }
    void chooseInChooser(Corner corner)
    {
        steps.chooseCorner(corner);
        steps.chooserClosed();
    }
    QStringList save(bool framed, bool widePanel = false, Corner shown = Corner::BottomRight)
    {
        clock.steps.clear();
        steps.save(config, SettingsSteps::Choices{framed, widePanel, shown});
        return clock.steps;
    }
};

} // namespace

TEST(Corners, FollowTheScreenTheClockIsOnAndKeepItWhole)
{
    const QSize bare = clockOuterSize(false);
    const QSize framed = clockOuterSize(true);
    EXPECT_EQ(bare, QSize(127, 47));
    EXPECT_EQ(framed, QSize(135, 81));

    // 1024 x 768, a 30-pixel panel at the bottom: the corners the clock always had.
    const QRect small(0, 0, 1024, 738);
    EXPECT_EQ(cornerPosition(Corner::TopLeft, small, bare), QPoint(0, 0));
    EXPECT_EQ(cornerPosition(Corner::BottomLeft, small, bare), QPoint(0, 691));
    EXPECT_EQ(cornerPosition(Corner::TopRight, small, bare), QPoint(897, 0));
    EXPECT_EQ(cornerPosition(Corner::BottomRight, small, bare), QPoint(897, 691));
    EXPECT_EQ(cornerPosition(Corner::BottomRight, small, framed), QPoint(889, 657));

    // A full-HD screen with a 32-pixel panel at the top.
    const QRect hd(0, 32, 1920, 1048);
    EXPECT_EQ(cornerPosition(Corner::TopLeft, hd, bare), QPoint(0, 32));
    EXPECT_EQ(cornerPosition(Corner::BottomRight, hd, bare), QPoint(1793, 1033));

    // A second screen right of the first, with a panel on its left edge.
    const QRect second(1920 + 48, 0, 1280 - 48, 1024);
    EXPECT_EQ(cornerPosition(Corner::TopLeft, second, framed), QPoint(1968, 0));
    EXPECT_EQ(cornerPosition(Corner::BottomRight, second, framed), QPoint(3065, 943));

    // The wide panel counts from the bottom of the screen itself.
    EXPECT_EQ(widePanelTop(QRect(0, 0, 1024, 768), 22, 47), 699);
    EXPECT_EQ(widePanelTop(QRect(0, 0, 1920, 1080), 40, 81), 959);
}

TEST_F(SaveSteps, TheClockIsShownFramedOrBareMovedTranslucentAndPassedThroughTheTray)
{
    EXPECT_EQ(save(true), (QStringList{QStringLiteral("show"), QStringLiteral("framed"),
                                       QStringLiteral("move 500,300"), QStringLiteral("alpha -1"),
                                       QStringLiteral("tray"), QStringLiteral("tray")}));
    EXPECT_EQ(withBoard(), u"1");
    EXPECT_EQ(save(false), (QStringList{QStringLiteral("show"), QStringLiteral("bare"),
                                        QStringLiteral("move 500,300"), QStringLiteral("alpha -1"),
                                        QStringLiteral("tray"), QStringLiteral("tray")}));
    EXPECT_EQ(withBoard(), u"0");
    EXPECT_TRUE(sys.messages.shown.isEmpty());
}

TEST_F(SaveSteps, WithoutTheChooserTheClockStaysWhereTheUserDraggedIt)
{
    clock.at = QPoint(321, 123);
    EXPECT_TRUE(save(false).contains(QStringLiteral("move 321,123")));
    clock.at = QPoint(10, 20); // dragged meanwhile
    EXPECT_TRUE(save(false).contains(QStringLiteral("move 10,20")));
}

TEST_F(SaveSteps, TheChosenCornerIsMeasuredWithTheNewBorderAndAppliedOnce)
{
    chooseInChooser(Corner::BottomRight);
    EXPECT_EQ(steps.positionChosen, 1);
    EXPECT_TRUE(save(false).contains(QStringLiteral("move 897,691")));
    EXPECT_EQ(steps.positionChosen, 0);

    chooseInChooser(Corner::BottomRight);
    EXPECT_TRUE(save(true).contains(QStringLiteral("move 889,657")));

    // Dragged away afterwards: the next save without the chooser keeps it there.
    clock.at = QPoint(40, 40);
    EXPECT_TRUE(save(true).contains(QStringLiteral("move 40,40")));

    chooseInChooser(Corner::TopLeft);
    clock.available = QRect(0, 24, 1024, 744); // a panel at the top this time
    EXPECT_TRUE(save(true, false, Corner::TopLeft).contains(QStringLiteral("move 0,24")));
}

TEST_F(SaveSteps, ClosingTheChooserWithoutChoosingKeepsThePreviousPendingPosition)
{
    chooseInChooser(Corner::TopRight);
    save(false, false, Corner::TopRight); // 897, 0
    clock.at = QPoint(5, 5);
    steps.chooserClosed(); // opened and closed again without "Усё!"
    EXPECT_TRUE(save(false, false, Corner::TopRight).contains(QStringLiteral("move 897,0")));
}

TEST_F(SaveSteps, AWidePanelPutsALowerCornersBottomEdgeWidthPanAboveTheScreensBottom)
{
    chooseInChooser(Corner::BottomRight);
    EXPECT_TRUE(save(false, true, Corner::BottomRight).contains(QStringLiteral("move 897,699")));
    EXPECT_EQ(steps.panelTop, 22);

    conf(QStringLiteral("[Options big]\nWidthPan=60\n"));
    chooseInChooser(Corner::BottomLeft);
    EXPECT_TRUE(save(true, true, Corner::BottomLeft).contains(QStringLiteral("move 0,627")));
    EXPECT_EQ(steps.panelTop, 60);

    // An upper corner ignores the panel.
    chooseInChooser(Corner::TopLeft);
    EXPECT_TRUE(save(true, true, Corner::TopLeft).contains(QStringLiteral("move 0,0")));

    // Never visited, the chooser shows its bottom-right corner: the clock keeps
    // its left edge and goes down to the panel.
    clock.at = QPoint(200, 100);
    EXPECT_TRUE(save(false, true, Corner::BottomRight).contains(QStringLiteral("move 200,661")));
}

TEST_F(SaveSteps, TranslucencyIsAlphaValuePlus127AsOneByte)
{
    conf(QStringLiteral("[Options big]\nUseAlpha=1\n"));
    EXPECT_TRUE(save(false).contains(QStringLiteral("alpha 255")));
    conf(QStringLiteral("[Options big]\nUseAlpha=1\nAlphaValue=0\n"));
    EXPECT_TRUE(save(false).contains(QStringLiteral("alpha 127")));
    conf(QStringLiteral("[Options big]\nUseAlpha=1\nAlphaValue=129\n"));
    EXPECT_TRUE(save(false).contains(QStringLiteral("alpha 0")));
    conf(QStringLiteral("[Options big]\nUseAlpha=yes\nAlphaValue=0\n"));
    EXPECT_TRUE(save(false).contains(QStringLiteral("alpha -1")));
}

TEST_F(SaveSteps, BadNumbersAreReportedOnceAndTheDefaultsServe)
{
    conf(QStringLiteral("[Options big]\nUseAlpha=1\nAlphaValue=half\nWidthPan=wide\n"));
    const QStringList done = save(false, true, Corner::BottomRight);
    EXPECT_TRUE(done.contains(QStringLiteral("move 500,699"))) << done.join(u"; ").toStdString();
    EXPECT_TRUE(done.contains(QStringLiteral("alpha 255")));
    EXPECT_EQ(done.count(QStringLiteral("tray")), 2); // the save went through to its end
    EXPECT_EQ(withBoard(), u"0");
    ASSERT_EQ(sys.messages.shown.size(), 2);
    EXPECT_TRUE(sys.messages.shown[0].contains(u"WidthPan"));
    EXPECT_TRUE(sys.messages.shown[0].contains(u"wide"));
    EXPECT_TRUE(sys.messages.shown[1].contains(u"AlphaValue"));

    save(false, true, Corner::BottomRight); // the same faults again: no more boxes
    EXPECT_EQ(sys.messages.shown.size(), 2);
}

TEST_F(SaveSteps, AnUnwritableConfigurationEndsTheSaveBeforeTheClockChanges)
{
    config = IniFile(); // a handle on no file: writes fail
    clock.steps.clear();
    EXPECT_ANY_THROW(steps.save(config, SettingsSteps::Choices{true, false, Corner::BottomRight}));
    EXPECT_EQ(clock.steps, QStringList{QStringLiteral("show")});
}

TEST_F(SaveSteps, WithoutANotificationAreaTheSaveStillEndsAndSaysSoOnce)
{
    clock.noTray = true;
    EXPECT_NO_THROW(save(true));
    EXPECT_NO_THROW(save(true));
    EXPECT_EQ(clock.steps,
              (QStringList{QStringLiteral("show"), QStringLiteral("framed"),
                           QStringLiteral("move 500,300"), QStringLiteral("alpha -1")}));
    EXPECT_EQ(sys.messages.shown,
              QStringList{QStringLiteral("Cannot Create System Shell Notification Icon")});
}
