// The lists as a remote caller changes them: the same files and sections as
// the editors write, refusals that write nothing, and stores that cannot be
// read reported as such.
#include "remote/storecommands.h"

#include "core/inifile.h"
#include "platform/services.h"
#include "reminders/reminderstore.h"
#include "scheduler/actionstore.h"
#include "support/printers.h"
#include "support/programdir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace zentari;
using namespace zentari::remote;
using zentari::test::ProgramDir;

namespace {

const QDate kDay(2026, 12, 8);

struct CountingBeeper : Beeper
{
    int beeps = 0;
    void beep(int, int) override { ++beeps; }
    void stop() override {}
    bool sounding() const override { return false; }
};

class Commands : public ::testing::Test
{
protected:
    ProgramDir dir;
    ActionStore actions{dir.path()};
    ReminderStore reminders{dir.path()};
    StoreCommands commands{actions, reminders};

    // Every list file and conf.ini, to prove a refusal wrote nothing.
    QByteArray everything() const
    {
        QByteArray all = dir.read(QStringLiteral("conf.ini"));
        for (const QString& name : QDir(dir.file(QStringLiteral("data")))
                                       .entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
            all += name.toUtf8() + ':' + dir.read(QStringLiteral("data/") + name) + '\n';
        return all;
    }

    // The status a call ended with, Done when it threw nothing.
    template <typename Call> int statusOf(Call&& call)
    {
        try {
            call();
            return Done;
        } catch (const CommandError& e) {
            EXPECT_FALSE(e.message().isEmpty());
            return e.status();
        }
    }
};

TEST_F(Commands, AddedEntriesAreWhatTheEditorsWriteAndListExactly)
{
    const QString file = dir.file(QStringLiteral("wake.mp3"));
    dir.write(QStringLiteral("wake.mp3"), "ID3");
    AddAction sound{SoundFile, kDay, QTime(7, 5, 0), file, ChosenDays, {}};
    sound.days[0] = sound.days[4] = true;
    EXPECT_EQ(commands.addAction(sound), u"08.12.2026 7:05:00");
    // The editor makes a second action of the same moment unique.
    AddAction off{Shutdown, kDay, QTime(7, 5, 0), actionLabel(Shutdown), EveryDay, {}};
    EXPECT_EQ(commands.addAction(off), u"08.12.2026 7:05:00 #2");
    EXPECT_EQ(commands.addReminder({kDay, QTime(9, 0, 0), QStringLiteral("Врач"),
                                    QStringLiteral("Кабинет 12\nвторой этаж")}),
              u"Врач08.12.2026");

    EXPECT_EQ(dir.readList(QStringLiteral("data/1Paths.zdt")),
              (QStringList{file, QStringLiteral("Выключение")}));
    const IniFile conf(dir.confPath());
    EXPECT_EQ(conf.readString(u"Action08.12.2026 7:05:00", u"Type_Per", {}), u"3");
    EXPECT_EQ(conf.readString(u"Action08.12.2026 7:05:00", u"Fri", {}), u"1");
    EXPECT_EQ(conf.readString(u"Action08.12.2026 7:05:00 #2", u"Action", {}), u"4");
    EXPECT_EQ(ReminderStore::readText(reminders.textPathFor(QStringLiteral("Врач08.12.2026"))),
              u"Кабинет 12\nвторой этаж");

    EXPECT_EQ(commands.listing(),
              QStringLiteral("action\t08.12.2026 7:05:00\t08.12.2026\t7:05:00\t0\t%1\n"
                             "action\t08.12.2026 7:05:00 #2\t08.12.2026\t7:05:00\t4\tВыключение\n"
                             "reminder\tВрач08.12.2026\t08.12.2026\t9:00:00\tВрач\n")
                  .arg(file));
    const QList<ActionEntry> listed = commands.listActions();
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[0].weekdays, (QList<int>{1, 5}));
    EXPECT_EQ(listed[1].periodicity, int(EveryDay));

    commands.remove(QStringLiteral("08.12.2026 7:05:00"));
    commands.remove(QStringLiteral("Врач08.12.2026"));
    EXPECT_EQ(commands.listing(),
              u"action\t08.12.2026 7:05:00 #2\t08.12.2026\t7:05:00\t4\tВыключение\n");
    EXPECT_FALSE(QFile::exists(reminders.textPathFor(QStringLiteral("Врач08.12.2026"))));
    EXPECT_FALSE(IniFile(dir.confPath()).sectionExists(u"Action08.12.2026 7:05:00"));
}

TEST_F(Commands, RefusalsAreTheCallersToMendAndWriteNothing)
{
    commands.addReminder({kDay, QTime(9, 0, 0), QStringLiteral("Врач"), QString()});
    const QByteArray before = everything();

    // A reminder of that title on that day exists: refused, not doubled.
    EXPECT_EQ(statusOf([&] {
                  commands.addReminder({kDay, QTime(18, 0, 0), QStringLiteral("Врач"), {}});
              }),
              BadArguments);
    // A title that names no file, a text the lists' code page cannot hold.
    EXPECT_EQ(statusOf([&] {
                  commands.addReminder({kDay, QTime(9, 0, 0), QStringLiteral("../../etc"), {}});
              }),
              BadArguments);
    EXPECT_EQ(statusOf([&] {
                  commands.addReminder(
                      {kDay, QTime(9, 0, 0), QStringLiteral("Смайл"), QStringLiteral("😀")});
              }),
              BadArguments);
    // A file action whose file is not there could never run.
    EXPECT_EQ(statusOf([&] {
                  commands.addAction(
                      {AnyFile, kDay, QTime(9, 0, 0), QStringLiteral("/no/such"), Once, {}});
              }),
              BadArguments);
    EXPECT_EQ(statusOf([&] { commands.remove(QStringLiteral("нет такого")); }), BadArguments);
    EXPECT_EQ(statusOf([&] { commands.removeAction(QStringLiteral("Врач08.12.2026")); }),
              BadArguments);
    EXPECT_EQ(everything(), before);
}

TEST_F(Commands, ListsThatCannotBeReadAreTheStoresFault)
{
    // A list that is a folder cannot be read, whoever runs the test.
    QFile::remove(dir.file(QStringLiteral("data/IDs.zdt")));
    ASSERT_TRUE(QDir().mkdir(dir.file(QStringLiteral("data/IDs.zdt"))));
    EXPECT_EQ(statusOf([&] { commands.listReminders(); }), StoreFailed);
    EXPECT_EQ(statusOf([&] {
                  commands.addReminder({kDay, QTime(9, 0, 0), QStringLiteral("Врач"), {}});
              }),
              StoreFailed);
    EXPECT_TRUE(dir.readList(QStringLiteral("data/Titles.zdt")).isEmpty());
}

TEST_F(Commands, ATemplateIsTheMenusAndOnlyItsDelaysExist)
{
    CountingBeeper beeper;
    dir.writeConf(QStringLiteral("[Options big]\nSchemeAck=1\n"));
    const IniFile conf(dir.confPath());
    EXPECT_EQ(commands.startTemplate(90, QDateTime(kDay, QTime(23, 0, 0)), conf, beeper),
              u"09.12.2026 0:30:00");
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Paths.zdt")),
              QStringList{QStringLiteral("Шаблон на выключениеЧерез 90 минут0:30:00")});
    EXPECT_EQ(beeper.beeps, 1);
    EXPECT_EQ(
        statusOf([&] { commands.startTemplate(7, QDateTime::currentDateTime(), conf, beeper); }),
        BadArguments);
}

TEST(CallValues, AreReadAsTheCommandLineReadsThem)
{
    const ParseResult ok =
        actionFromCall(Reboot, QStringLiteral("ignored"), QStringLiteral("08.12.2026"),
                       QStringLiteral("7:05"), ChosenDays, {2, 7});
    ASSERT_TRUE(ok.ok()) << ok.message.toStdString();
    const auto& action = std::get<AddAction>(ok.request);
    EXPECT_EQ(action.path, u"Перезагрузка");
    EXPECT_EQ(action.time, QTime(7, 5, 0));
    EXPECT_TRUE(action.days[1] && action.days[6] && !action.days[0]);

    EXPECT_FALSE(actionFromCall(SoundFile, QStringLiteral("music.mp3"),
                                QStringLiteral("08.12.2026"), QStringLiteral("7:05:00"), Once, {})
                     .ok())
        << "a caller's folder means nothing to the clock";
    EXPECT_FALSE(actionFromCall(Reboot, {}, QStringLiteral("08.12.2026"), QStringLiteral("7:05:00"),
                                ChosenDays, {})
                     .ok());
    EXPECT_FALSE(
        actionFromCall(Reboot, {}, QStringLiteral("08.12.2026"), QStringLiteral("7:05:00"), 9, {})
            .ok());
    EXPECT_FALSE(actionFromCall(Reboot, {}, QStringLiteral("08.12.2026"), QStringLiteral("7:05:00"),
                                ChosenDays, {0, 8})
                     .ok());
    // Values that look like options stay values.
    const ParseResult title =
        reminderFromCall(QStringLiteral("--list"), QStringLiteral("--help"),
                         QStringLiteral("08.12.2026"), QStringLiteral("9:00:00"));
    ASSERT_TRUE(title.ok()) << title.message.toStdString();
    EXPECT_EQ(std::get<AddReminder>(title.request).title, u"--list");
    EXPECT_FALSE(reminderFromCall(QStringLiteral("Врач"), {}, QStringLiteral("31.02.2026"),
                                  QStringLiteral("9:00:00"))
                     .ok());
}

} // namespace
