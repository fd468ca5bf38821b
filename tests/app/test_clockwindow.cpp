#include "app/clockdesktop.h"
#include "app/picturebox.h"
#include "clockfixture.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>

using namespace zentari;
using zentari::test::ClockFixture;

namespace {
QColor textColour(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}
bool framed(const QWidget& w)
{
    return !(w.windowFlags() & Qt::FramelessWindowHint);
}
} // namespace

TEST_F(ClockFixture, AnEmptyConfigurationGivesTheDefaultClock)
{
    TForm1& clock = start(QString());
    EXPECT_EQ(clock.size(), QSize(127, 47));
    EXPECT_FALSE(framed(clock));
    EXPECT_TRUE(clock.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_DOUBLE_EQ(clock.windowOpacity(), 1.0);
    EXPECT_EQ(textColour(clock.Label1), QColor(128, 255, 255));
    EXPECT_EQ(textColour(clock.Label2), QColor(128, 255, 255));
    EXPECT_EQ(clock.Image1->picture().size(), QSize(127, 47));
    // No saved position: the lower right corner, wholly on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(QRect(clock.pos(), QSize(135, 81)))) << clock.pos().x();
    EXPECT_GT(clock.x(), screen.width() / 2);
    EXPECT_TRUE(QFile::exists(dir.confPath()));
    EXPECT_TRUE(sys.messages.shown.isEmpty());
    EXPECT_EQ(clock.Label2->text(), u"30.12.1899");
}

TEST_F(ClockFixture, OnlyZeroMeansNoBorder)
{
    for (const char* value : {"1", "yes", ""}) {
        TForm1& clock =
            start(QStringLiteral("[Options big]\nWithBoard=%1\n").arg(QLatin1String(value)));
        EXPECT_TRUE(framed(clock)) << value;
        EXPECT_GE(clock.width(), 127);
        EXPECT_LE(clock.width(), 135);
    }
}

TEST_F(ClockFixture, TranslucencyIsAlphaValuePlus127AsOneByte)
{
    const std::pair<const char*, int> cases[] = {{"0", 127}, {"128", 255}, {"129", 0}, {"200", 71}};
    for (const auto& [value, alpha] : cases) {
        TForm1& clock = start(
            QStringLiteral("[Options big]\nUseAlpha=1\nAlphaValue=%1\n").arg(QLatin1String(value)));
        EXPECT_NEAR(clock.windowOpacity(), alpha / 255.0, 0.002) << value;
    }
    TForm1& clock = start(QStringLiteral("[Options big]\nUseAlpha=yes\nAlphaValue=0\n"));
    EXPECT_DOUBLE_EQ(clock.windowOpacity(), 1.0);
}

TEST_F(ClockFixture, SavedPositionIsAppliedAndWrittenBackAtClose)
{
    TForm1& clock = start(QStringLiteral("[Options big]\nSavePosition=1\nTop=40\n"));
    EXPECT_EQ(clock.pos(), QPoint(0, 40)); // no "Left": the left edge goes to 0
    clock.move(897, 691);
    session->setExitAllowed(1);
    clock.close();
    EXPECT_EQ(confValue(QStringLiteral("Options big"), QStringLiteral("Left")), u"897");
    EXPECT_EQ(confValue(QStringLiteral("Options big"), QStringLiteral("Top")), u"691");
}

TEST_F(ClockFixture, WithoutSavePositionTheCloseTouchesNothing)
{
    TForm1& clock = start(QStringLiteral("[Options big]\nSavePosition=yes\n"));
    const QByteArray before = dir.read(QStringLiteral("conf.ini"));
    session->setExitAllowed(1);
    clock.close();
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), before);
}

TEST_F(ClockFixture, ActivationReappliesColourPictureAndBorderButNotPositionOrTranslucency)
{
    TForm1& clock = start(QStringLiteral("[Options big]\nSavePosition=1\nLeft=10\nTop=20\n"));
    clock.move(300, 300);
    conf(QStringLiteral("[Options big]\nSavePosition=1\nLeft=10\nTop=20\nColor=255\nWithBoard=1\n"
                        "UseAlpha=1\nAlphaValue=0\nPicture=data\\min.bmp\n"));
    clock.FormActivate();
    EXPECT_EQ(textColour(clock.Label1), QColor(255, 0, 0));
    EXPECT_TRUE(framed(clock));
    EXPECT_EQ(clock.Image1->picture().size(), QSize(16, 16));
    EXPECT_EQ(clock.pos(), QPoint(300, 300));
    EXPECT_DOUBLE_EQ(clock.windowOpacity(), 1.0);
}

TEST_F(ClockFixture, ReloadedOptionsApplyAsAtStartButLeaveAMovedClockWhereItIs)
{
    TForm1& clock = start(QStringLiteral("[Options big]\nWithBoard=1\n"));
    ASSERT_TRUE(framed(clock));
    clock.move(300, 300);
    conf(QStringLiteral("[Options big]\nWithBoard=0\nColor=255\nUseAlpha=1\nAlphaValue=0\n"
                        "Picture=data\\min.bmp\nLeft=10\nTop=20\n"));
    clock.reloadOptions();
    EXPECT_FALSE(framed(clock));
    EXPECT_EQ(clock.size(), QSize(127, 47));
    EXPECT_EQ(textColour(clock.Label2), QColor(255, 0, 0));
    EXPECT_EQ(clock.Image1->picture().size(), QSize(16, 16));
    EXPECT_NEAR(clock.windowOpacity(), 127 / 255.0, 0.002);
    EXPECT_EQ(clock.pos(), QPoint(300, 300)); // no SavePosition: Left and Top are not its place

    // A remembered place is taken, and kept on the screen.
    conf(QStringLiteral("[Options big]\nSavePosition=1\nLeft=10\nTop=20\n"));
    clock.reloadOptions();
    EXPECT_EQ(clock.pos(), QPoint(10, 20));
    EXPECT_DOUBLE_EQ(clock.windowOpacity(), 1.0);
    conf(QStringLiteral("[Options big]\nSavePosition=1\nLeft=-5000\nTop=20\n"));
    clock.reloadOptions();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(screen.intersects(QRect(clock.pos(), clock.size()))) << clock.x();

    // A bad value is reported, and the clock goes on.
    conf(QStringLiteral("[Options big]\nColor=light cyan\n"));
    clock.reloadOptions();
    ASSERT_EQ(sys.messages.shown.size(), 1);
    EXPECT_TRUE(sys.messages.shown.first().contains(QStringLiteral("light cyan")));
}

TEST_F(ClockFixture, AMissingListStillLetsTheAppearanceApply)
{
    QFile::remove(dir.file(QStringLiteral("data/Titles.zdt")));
    QFile::remove(dir.file(QStringLiteral("data/1Ids.zdt")));
    TForm1& clock = start(QStringLiteral("[Options big]\nColor=255\nWithBoard=1\n"));
    EXPECT_EQ(textColour(clock.Label1), QColor(255, 0, 0));
    EXPECT_TRUE(framed(clock));
    EXPECT_TRUE(sys.messages.shown.isEmpty());
}

TEST_F(ClockFixture, BadPicturesFallBackAndBadOptionsAreReportedNotFatal)
{
    dir.write(QStringLiteral("data/broken.jpg"), QByteArray("\xFF\xD8\xFF\xE0 not really", 15));
    TForm1& clock = start(QStringLiteral("[Options big]\nPicture=data\\broken.jpg\n"));
    EXPECT_EQ(clock.Image1->picture().size(), QSize(127, 47));
    EXPECT_TRUE(sys.messages.shown.isEmpty());

    // A bad colour ends creation at that step: the error is reported, the
    // border is left as the window was drawn.
    dir.write(QStringLiteral("data/BackGround1.jpg"), QByteArray("\xFF\xD8garbage", 9));
    TForm1& second = start(QStringLiteral("[Options big]\nColor=light cyan\n"));
    ASSERT_EQ(sys.messages.shown.size(), 1);
    EXPECT_TRUE(sys.messages.shown.first().contains(QStringLiteral("light cyan")));
    EXPECT_TRUE(framed(second));
    // Neither picture decodes: reported, and the clock goes on.
    start(QStringLiteral("[Options big]\nPicture=data\\broken.jpg\n"));
    EXPECT_EQ(sys.messages.shown.size(), 2);
}

TEST_F(ClockFixture, TheTickShowsTimeDateWeekdayAndTheTrayHint)
{
    TForm1& clock = start(QString());
    sys.clock.set(QDateTime(QDate(2026, 12, 13), QTime(9, 5, 7)));
    clock.Timer1Timer();
    EXPECT_EQ(clock.Label1->text(), u"9:05:07");
    EXPECT_EQ(clock.Label2->text(), u"13.12.2026");
    EXPECT_EQ(clock.Label3->text(), u"1");
    EXPECT_EQ(clock.trayHint(), u"Время : 9:05:07 Дата : 13.12.2026");
    EXPECT_EQ(clock.desktop().TrayIcon1->Hint(), clock.trayHint());
}

TEST_F(ClockFixture, AClosedClockRestartsItselfUnlessExitIsAllowed)
{
    TForm1& clock = start(QString());
    clock.close(); // before the start-up timer: exit not yet allowed
    EXPECT_EQ(sys.messages.shown, QStringList{QStringLiteral("А так делать нельзя!")});
    EXPECT_EQ(sys.logged(QStringLiteral("message")).first(),
              QStringLiteral("message\t<(:-Р\tА так делать нельзя!"));
    EXPECT_EQ(sys.logged(QStringLiteral("restart")),
              QStringList{QStringLiteral("restart\t") + dir.path() + QStringLiteral("Zentari")});

    sys.log.clear();
    TForm1& again = start(QString());
    session->setExitAllowed(1);
    again.close();
    again.FormDestroy();
    EXPECT_TRUE(sys.log.lines().isEmpty());
}

TEST_F(ClockFixture, WithProtectionAForbiddenCloseRefusesTwiceButStartsOneNewClock)
{
    sys.machine.values[QStringLiteral("USE")] = QStringLiteral("1");
    TForm1& clock = start(QString());
    QStringList order;
    clock.closeGuard().setBeforeRestart([&] {
        // The closing clock stops answering later starts before the new one starts.
        order << QStringLiteral("stop listening");
        order << sys.logged(QStringLiteral("restart"));
    });
    clock.close();
    clock.FormDestroy();
    EXPECT_EQ(sys.messages.shown, QStringList(2, QStringLiteral("А так делать нельзя!")));
    EXPECT_EQ(sys.logged(QStringLiteral("restart")).size(), 1);
    EXPECT_EQ(order, QStringList{QStringLiteral("stop listening")});
}
