#include "core/cp1251.h"
#include "scheduler/actionstore.h"
#include "support/programdir.h"

#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::ProgramDir;

namespace {

ScheduledAction soundAt(QDate date, QTime time, const QString& path)
{
    ScheduledAction a;
    a.typeCode = int(ActionType::SoundFile);
    a.pathText = path;
    a.dateText = QStringLiteral("%1").arg(date.toString(QStringLiteral("dd.MM.yyyy")));
    a.timeText = time.toString(QStringLiteral("H:mm:ss"));
    a.actionId = ActionStore::makeActionId(date, time);
    a.period = int(Periodicity::ChosenDays);
    a.days = {true, false, true, false, false, false, true};
    return a;
}

} // namespace

TEST(ActionStore, EditorAppendWritesFiveListsAndTheSectionInOrder)
{
    ProgramDir dir;
    ActionStore store(dir.path());
    store.openStore();
    const QString id = store.appendAction(
        soundAt(QDate(2026, 12, 7), QTime(10, 30), QStringLiteral("/музыка/a.mp3")), true);
    EXPECT_EQ(id, u"07.12.2026 10:30:00");
    EXPECT_EQ(dir.read(QStringLiteral("data/1Ids.zdt")), QByteArray("07.12.2026 10:30:00\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/1Actions.zdt")), QByteArray("0\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/1Times.zdt")), QByteArray("10:30:00\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/1Dates.zdt")), QByteArray("07.12.2026\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("data/1Paths.zdt")),
              cp1251::encode(u"/музыка/a.mp3") + "\r\n");
    EXPECT_EQ(
        dir.read(QStringLiteral("conf.ini")),
        "[Action07.12.2026 10:30:00]\r\nAction=0\r\nDate=07.12.2026\r\nTime=10:30:00\r\nPath=" +
            cp1251::encode(u"/музыка/a.mp3") +
            "\r\nType_Per=3\r\nMon=1\r\nTue=0\r\nWed=1\r\nThu=0\r\nFri=0\r\nSat=0\r\nSun=1\r\n");
}

TEST(ActionStore, UntilThePeriodicityDialogWasClosedEditorSavesAreOnce)
{
    ProgramDir dir;
    ActionStore store(dir.path());
    store.openStore();
    const QString id =
        store.appendAction(soundAt(QDate(2026, 12, 7), QTime(10, 30), QStringLiteral("a")), false);
    EXPECT_EQ(store.config().readString(ActionStore::sectionName(id), u"Type_Per", QString()),
              u"1");
    EXPECT_EQ(store.config().readString(ActionStore::sectionName(id), u"Mon", QString()), u"1");
}

TEST(ActionStore, IdsFollowTheEditorAndTemplateRulesAtMidnight)
{
    EXPECT_EQ(ActionStore::makeActionId(QDate(2026, 12, 8), QTime(0, 0)), u"08.12.2026");
    EXPECT_EQ(ActionStore::makeActionId(QDate(2026, 12, 8), QTime(0, 0, 1)), u"08.12.2026 0:00:01");
    EXPECT_EQ(ActionStore::makeTemplateId(QStringLiteral("08.12.2026"), QStringLiteral("0:00:00")),
              u"08.12.2026 0:00:00");
    EXPECT_EQ(ActionStore::sectionName(QStringLiteral("08.12.2026")), u"Action08.12.2026");
}

TEST(ActionStore, CollidingIdsAreMadeUniqueSoNoActionIsLost)
{
    ProgramDir dir;
    ActionStore store(dir.path());
    store.openStore();
    const auto a = soundAt(QDate(2026, 12, 7), QTime(10, 30), QStringLiteral("first"));
    auto b = a;
    b.pathText = QStringLiteral("second");
    EXPECT_EQ(store.appendAction(a, true), u"07.12.2026 10:30:00");
    EXPECT_EQ(store.appendAction(b, true), u"07.12.2026 10:30:00 #2");
    EXPECT_EQ(store.appendAction(b, true), u"07.12.2026 10:30:00 #3");
    IniFile& ini = store.config();
    EXPECT_EQ(ini.readString(u"Action07.12.2026 10:30:00", u"Path", QString()), u"first");
    EXPECT_EQ(ini.readString(u"Action07.12.2026 10:30:00 #2", u"Path", QString()), u"second");

    // Deleting the second erases its own section, not the first one's.
    ASSERT_TRUE(store.removeAt(1, QStringLiteral("07.12.2026 10:30:00 #2")));
    EXPECT_TRUE(ini.sectionExists(u"Action07.12.2026 10:30:00"));
    EXPECT_FALSE(ini.sectionExists(u"Action07.12.2026 10:30:00 #2"));
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Ids.zdt")),
              (QStringList{QStringLiteral("07.12.2026 10:30:00"),
                           QStringLiteral("07.12.2026 10:30:00 #3")}));
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Paths.zdt")),
              (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
}

TEST(ActionStore, AWriterWithAStaleCopyKeepsLinesAnotherWriterAppended)
{
    ProgramDir dir;
    ActionStore editor(dir.path());
    ActionStore clock(dir.path());
    editor.openStore();
    clock.openStore();
    clock.loadAll(); // the clock's copy is taken before the editor saves
    editor.appendAction(soundAt(QDate(2026, 12, 7), QTime(7, 0), QStringLiteral("wake")), true);
    ScheduledAction t;
    t.typeCode = 4;
    t.timeText = QStringLiteral("12:01:00");
    t.dateText = QStringLiteral("08.12.2026");
    t.actionId = ActionStore::makeTemplateId(t.dateText, t.timeText);
    t.pathText = QStringLiteral("label");
    clock.appendTemplateAction(t, QStringLiteral("section label"));
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Paths.zdt")),
              (QStringList{QStringLiteral("wake"), QStringLiteral("label")}));
    EXPECT_EQ(clock.lists().ids.size(), 2);
}

TEST(ActionStore, RemovingNothingOrOutOfRangeChangesNothing)
{
    ProgramDir dir;
    ActionStore store(dir.path());
    store.openStore();
    store.appendAction(soundAt(QDate(2026, 12, 7), QTime(7, 0), QStringLiteral("wake")), true);
    const QByteArray conf = dir.read(QStringLiteral("conf.ini"));
    EXPECT_FALSE(store.removeAt(-1));
    EXPECT_FALSE(store.removeAt(1));
    EXPECT_FALSE(store.removeAt(0, QStringLiteral("no such id")));
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), conf);
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Ids.zdt")).size(), 1);
}

TEST(ActionStore, LoadStopsAtTheFirstMissingFile)
{
    ProgramDir dir;
    dir.write(QStringLiteral("data/1Actions.zdt"), "0\r\n");
    dir.write(QStringLiteral("data/1Paths.zdt"), "p\r\n");
    QFile::remove(dir.file(QStringLiteral("data/1Times.zdt")));
    ActionStore store(dir.path());
    store.openStore();
    EXPECT_ANY_THROW(store.loadAll());
    EXPECT_EQ(store.lists().paths, QStringList{QStringLiteral("p")});
    EXPECT_TRUE(store.lists().ids.isEmpty());
}
