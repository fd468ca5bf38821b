#include "scheduler/actiondispatcher.h"
#include "support/fakes.h"
#include "support/programdir.h"

#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::ProgramDir;

namespace {

struct Source : DispatchSource
{
    IniFile ini;
    QString dir;
    QStringList ids, paths;
    const IniFile& configStore() const override { return ini; }
    QString programDir() const override { return dir; }
    const QStringList& actionIds() const override { return ids; }
    qsizetype actionCount() const override { return paths.size(); }
};

struct DispatcherTest : ::testing::Test
{
    ProgramDir dir;
    test::FakeSystem sys;
    Source source;
    ErrorReport report{sys.messages};
    std::unique_ptr<ActionDispatcher> dispatcher;
    int cancelAvailable = 0;
    QStringList warnings;

    void SetUp() override
    {
        source.dir = dir.path();
        source.ini = IniFile(dir.confPath());
        dispatcher = std::make_unique<ActionDispatcher>(source, sys.services(), report);
        dispatcher->onCancelShutdownAvailable = [this] { ++cancelAvailable; };
        dispatcher->onShutdownScheduled = [this](PowerAction, int s, const QString& m) {
            warnings.append(QString::number(s) + u' ' + m);
        };
    }

    // conf.ini from text, and the lists naming the given ids.
    void store(const QString& conf, const QStringList& ids)
    {
        dir.writeConf(conf);
        source.ini.recheckNow();
        source.ids = ids;
        source.paths = QStringList(ids.size(), QStringLiteral("line"));
    }

    // A Monday, 8 December 2026.
    void dispatch(const char* time, const char* date = "07.12.2026", const char* weekday = "2")
    {
        dispatcher->dispatchActions(QString::fromUtf8(time), QString::fromUtf8(date),
                                    QString::fromUtf8(weekday));
    }

    QString music() const { return dir.path() + QStringLiteral("data/music.mp3"); }
};

} // namespace

TEST_F(DispatcherTest, EachPeriodicityComesDueOnlyWhenItShould)
{
    store(QStringLiteral(
              "[Actiononce]\nAction=0\nTime=7:00:00\nDate=07.12.2026\nPath=once.mp3\nType_Per=1\n"
              "[Actiondaily]\nAction=0\nTime=7:00:00\nDate=01.01.2020\nPath=daily.mp3\nType_Per=2\n"
              "[Actionweek]\nAction=0\nTime=7:00:00\nPath=week.mp3\nType_Per=3\nSun=1\nMon=0\n"
              "[Actionnone]\nAction=0\nTime=7:00:00\nPath=none.mp3\nType_Per=3\n"),
          {QStringLiteral("once"), QStringLiteral("daily"), QStringLiteral("week"),
           QStringLiteral("none")});
    dispatch("7:00:00");                    // Monday the 7th
    dispatch("7:00:01");                    // not their second
    dispatch("07:00:00");                   // a two-digit hour never matches
    dispatch("7:00:00", "13.12.2026", "1"); // Sunday the 13th
    EXPECT_EQ(sys.logged(QStringLiteral("play")),
              (QStringList{QStringLiteral("play\tonce.mp3"), QStringLiteral("play\tdaily.mp3"),
                           QStringLiteral("play\tdaily.mp3"), QStringLiteral("play\tweek.mp3")}));
}

TEST_F(DispatcherTest, MissingKeysTakeTheirDefaults)
{
    // No "Type_Per": counts as once and as every day, so it plays twice on its date.
    store(QStringLiteral("[Actionold]\nTime=7:00:00\nDate=07.12.2026\nPath=old.mp3\n"),
          {QStringLiteral("old"), QStringLiteral("ghost")});
    dispatch("7:00:00");
    EXPECT_EQ(sys.logged(QStringLiteral("play")).size(), 2);
    dispatch("7:00:00", "08.12.2026", "3");
    EXPECT_EQ(sys.logged(QStringLiteral("play")).size(), 3);
    // A section that does not exist is due only at a two-digit "00:00:01" and plays the chime.
    sys.log.clear();
    dispatch("0:00:01");
    EXPECT_TRUE(sys.logged(QStringLiteral("play")).isEmpty());
    dispatch("00:00:01");
    EXPECT_EQ(sys.logged(QStringLiteral("play")), QStringList{QStringLiteral("play\t") + music()});
}

TEST_F(DispatcherTest, ActionTypesDoWhatTheySayAndOnlyShutdownAndLogOffOfferTheCancel)
{
    store(
        QStringLiteral("[Actionfile]\nAction=1\nTime=8:00:00\nPath=/home/u/report.pdf\nType_Per=2\n"
                       "[Actionreboot]\nAction=2\nTime=8:00:01\nType_Per=2\n"
                       "[Actionoff]\nAction=4\nTime=8:00:02\nType_Per=2\n"
                       "[Actionlogoff]\nAction=3\nTime=8:00:03\nType_Per=2\n"
                       "[Actionodd]\nAction=7\nTime=8:00:04\nType_Per=2\n"
                       "[Actionnotype]\nAction=-1\nTime=8:00:04\nType_Per=2\n"),
        {QStringLiteral("file"), QStringLiteral("reboot"), QStringLiteral("off"),
         QStringLiteral("logoff"), QStringLiteral("odd"), QStringLiteral("notype")});
    dispatch("8:00:00");
    EXPECT_EQ(dispatcher->lastRunPath(), u"/home/u/report.pdf");
    dispatch("8:00:01");
    EXPECT_EQ(cancelAvailable, 0);
    dispatch("8:00:02");
    EXPECT_EQ(cancelAvailable, 1);
    dispatch("8:00:03");
    EXPECT_EQ(cancelAvailable, 2);
    dispatch("8:00:04");
    EXPECT_EQ(sys.log.lines(),
              (QStringList{QStringLiteral("open\t/home/u/report.pdf\t"),
                           QStringLiteral("reboot\t50\t") + ActionDispatcher::kRebootMessage,
                           QStringLiteral("poweroff\t50\t") + ActionDispatcher::kShutdownMessage,
                           QStringLiteral("logoff")}));
    EXPECT_EQ(warnings.size(), 2);
    EXPECT_TRUE(ActionDispatcher::kShutdownMessage.endsWith(QStringLiteral("Zentari ")));
}

TEST_F(DispatcherTest, ARefusedShutdownBeepsAndShowsNoWarning)
{
    sys.power.refuse = true;
    store(QStringLiteral("[Actionoff]\nAction=4\nTime=8:00:00\nType_Per=2\n"),
          {QStringLiteral("off")});
    dispatch("8:00:00");
    EXPECT_EQ(sys.logged(QStringLiteral("beep")), QStringList{QStringLiteral("beep\t1000\t1000")});
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(cancelAvailable, 1);
}

TEST_F(DispatcherTest, SoundsRepeatTimesPlayTimesInAllOrUntilStopped)
{
    auto heardTimes = [&](const char* timesPlay) {
        dir.writeConf(
            QStringLiteral("[Options big]\nTimesPlay=%1\n").arg(QLatin1String(timesPlay)));
        source.ini.recheckNow();
        sys.log.clear();
        dispatcher->startSound(QStringLiteral("alarm.mp3"));
        for (int tick = 0; tick < 10; ++tick) {
            sys.player.finish();
            dispatcher->repeatSound();
        }
        return sys.logged(QStringLiteral("play")).size();
    };
    EXPECT_EQ(heardTimes("1"), 1);
    EXPECT_EQ(heardTimes("3"), 3);
    EXPECT_EQ(heardTimes("0"), 11); // repeats until stopped
    sys.player.close();             // "Остановить звук"
    dispatcher->repeatSound();
    EXPECT_FALSE(dispatcher->soundPlaying());
}

TEST_F(DispatcherTest, AnAlarmFadesInOnItsFirstPlayAndStopsOnceItHasRungItsMinutes)
{
    store(QStringLiteral("[Options big]\nTimesPlay=0\nRingMinutes=2\nFadeInSeconds=5\n"
                         "[Actiona]\nAction=0\nTime=6:30:00\nPath=a.mp3\nType_Per=2\n"),
          {QStringLiteral("a")});
    dispatch("6:30:00");
    EXPECT_EQ(dispatcher->alarmSoundFile(), u"a.mp3");
    // A short file ends every 20 seconds and comes back at the next tick.
    int ticks = 0;
    for (; dispatcher->soundPlaying() && ticks < 300; ++ticks) {
        sys.clock.advanceSeconds(1);
        if (ticks % 20 == 19)
            sys.player.finish();
        dispatcher->repeatSound();
    }
    EXPECT_EQ(ticks, 120);
    EXPECT_EQ(sys.player.mode(), MediaPlayer::Mode::NotOpen);
    EXPECT_TRUE(dispatcher->alarmSoundFile().isNull());
    const QStringList plays = sys.logged(QStringLiteral("play"));
    ASSERT_EQ(plays.size(), 6);
    EXPECT_EQ(plays.first(), u"play\ta.mp3\tfade 5");
    EXPECT_EQ(plays.count(QStringLiteral("play\ta.mp3")), 5); // the repeats start at full volume

    // A reminder's sound is no alarm: no fade, nothing to put off. Without a
    // ring limit it is heard "TimesPlay" times, however long that takes.
    dir.writeConf(QStringLiteral("[Options big]\nTimesPlay=2\nFadeInSeconds=5\n"
                                 "soundtype=1\nsoundfilename=/bell.wav\n"));
    source.ini.recheckNow();
    sys.log.clear();
    dispatcher->alertSound();
    EXPECT_TRUE(dispatcher->alarmSoundFile().isNull());
    sys.clock.advanceSeconds(3600);
    sys.player.finish();
    dispatcher->repeatSound();
    EXPECT_EQ(sys.logged(QStringLiteral("play")),
              (QStringList{QStringLiteral("play\t/bell.wav"), QStringLiteral("play\t/bell.wav")}));

    // Heard out, a later limit has nothing to cut: a beep sounding then goes on.
    dir.writeConf(QStringLiteral("[Options big]\nTimesPlay=1\nRingMinutes=1\n"));
    source.ini.recheckNow();
    dispatcher->startSound(QStringLiteral("b.mp3"));
    sys.player.finish();
    dispatcher->repeatSound();
    sys.clock.advanceSeconds(90);
    dispatcher->repeatSound();
    EXPECT_EQ(sys.player.mode(), MediaPlayer::Mode::Stopped);

    // A fade beyond its range is kept to a minute.
    store(QStringLiteral("[Options big]\nFadeInSeconds=600\n"
                         "[Actiona]\nAction=0\nTime=6:30:00\nPath=a.mp3\nType_Per=2\n"),
          {QStringLiteral("a")});
    dispatch("6:30:00");
    EXPECT_EQ(sys.logged(QStringLiteral("play")).last(), u"play\ta.mp3\tfade 60");
}

TEST_F(DispatcherTest, AnUnplayableFileFallsBackToTheChime)
{
    sys.player.broken.insert(QStringLiteral("/gone.mp3"));
    dispatcher->startSound(QStringLiteral("/gone.mp3"));
    EXPECT_EQ(sys.logged(QStringLiteral("play")), QStringList{QStringLiteral("play\t") + music()});
    EXPECT_TRUE(dispatcher->soundPlaying());
    sys.player.broken.insert(music());
    EXPECT_ANY_THROW(dispatcher->startSound(QStringLiteral("/gone.mp3")));
}

TEST_F(DispatcherTest, ABadNumberIsReportedOnceAndItsDefaultUsed)
{
    store(QStringLiteral("[Options big]\nTimesPlay=three\n"
                         "[Actiona]\nAction=0\nTime=9:00:00\nPath=a.mp3\nType_Per=2\n"),
          {QStringLiteral("a")});
    dispatcher->startSound(QStringLiteral("x.mp3"));
    for (int tick = 0; tick < 3; ++tick) {
        sys.player.finish();
        dispatcher->repeatSound();
    }
    dispatch("9:00:00");
    EXPECT_EQ(sys.messages.shown.size(), 1);
    EXPECT_TRUE(sys.messages.shown.first().contains(QStringLiteral("three")));
    EXPECT_EQ(sys.logged(QStringLiteral("play")),
              (QStringList{QStringLiteral("play\tx.mp3"), QStringLiteral("play\ta.mp3")}));
}

TEST_F(DispatcherTest, AShortIdsListDispatchesWhatItHasAndIsReportedOnce)
{
    store(QStringLiteral("[Actiona]\nAction=0\nTime=9:00:00\nPath=a.mp3\nType_Per=2\n"),
          {QStringLiteral("a")});
    source.paths.append(QStringLiteral("orphan line"));
    dispatch("9:00:00");
    dispatch("9:00:00");
    EXPECT_EQ(sys.logged(QStringLiteral("play")).size(), 2);
    EXPECT_EQ(sys.messages.shown.size(), 1);
}

TEST_F(DispatcherTest, TheReminderSignalBeepsOrPlaysItsFile)
{
    dir.writeConf(QStringLiteral("[Options big]\nbehz=440\nbemi=250\n"));
    source.ini.recheckNow();
    dispatcher->alertSound();
    EXPECT_EQ(sys.logged(QStringLiteral("beep")), QStringList{QStringLiteral("beep\t440\t250")});
    dir.writeConf(QStringLiteral("[Options big]\nsoundtype=1\nsoundfilename=/gone.mp3\n"));
    source.ini.recheckNow();
    sys.player.broken.insert(QStringLiteral("/gone.mp3"));
    dispatcher->alertSound();
    EXPECT_EQ(sys.logged(QStringLiteral("play")), QStringList{QStringLiteral("play\t") + music()});
    EXPECT_EQ(dispatcher->playCount(), 0);
}

TEST_F(DispatcherTest, ChangedTimesAndListsCountAtTheNextDispatch)
{
    store(QStringLiteral("[Actiona]\nAction=0\nTime=9:00:00\nPath=a.mp3\nType_Per=2\n"),
          {QStringLiteral("a")});
    dispatch("9:00:00");
    EXPECT_EQ(sys.logged(QStringLiteral("play")).size(), 1);
    // The configuration tool moves the alarm; the lists stay as they were.
    dir.writeConf(QStringLiteral("[Actiona]\nAction=0\nTime=9:30:00\nPath=a.mp3\nType_Per=2\n"));
    source.ini.recheckNow();
    dispatch("9:00:00");
    dispatch("9:30:00");
    EXPECT_EQ(sys.logged(QStringLiteral("play")).size(), 2);
    // A new action appears in the lists (a template, a reload), conf.ini untouched by us.
    IniFile(dir.confPath()).writeString(u"Actionb", u"Time", u"9:45:00");
    source.ids.append(QStringLiteral("b"));
    source.paths.append(QStringLiteral("b line"));
    dispatch("9:45:00");
    EXPECT_EQ(sys.logged(QStringLiteral("play")).size(), 3);
    // The same list contents in a fresh copy: nothing lost, nothing doubled.
    source.ids = QStringList{QStringLiteral("a"), QStringLiteral("b")};
    dispatch("9:45:00");
    EXPECT_EQ(sys.logged(QStringLiteral("play")).size(), 4);
}
