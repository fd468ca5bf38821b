#include "remote/commandline.h"
#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zentari::remote;

namespace {

QStringList args(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* a : list)
        out.append(QString::fromUtf8(a));
    return out;
}

// A folder to resolve relative paths against, with a sound file and a subfolder.
class CommandLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QFile sound(m_dir.filePath(QStringLiteral("звонок.mp3")));
        ASSERT_TRUE(sound.open(QIODevice::WriteOnly));
        ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("музыка")));
    }

    ParseResult parse(const QStringList& arguments) const
    {
        return parseCommandLine(arguments, m_dir.path());
    }
    template <typename T> T request(const QStringList& arguments) const
    {
        const ParseResult r = parse(arguments);
        EXPECT_TRUE(r.ok()) << r.message.toStdString();
        const T* value = std::get_if<T>(&r.request);
        EXPECT_NE(value, nullptr) << "another request than asked for";
        return value ? *value : T{};
    }
    // The refusal's message; the test fails when the arguments were accepted.
    QString refusal(const QStringList& arguments) const
    {
        const ParseResult r = parse(arguments);
        EXPECT_FALSE(r.ok()) << "accepted: " << arguments.join(u' ').toStdString();
        return r.message;
    }
    QString file(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(CommandLine, NoArgumentsStartTheClock)
{
    EXPECT_EQ(request<StartClock>({}), StartClock{});
    EXPECT_EQ(request<StartClock>(args({"--take-over"})), StartClock{true});
    EXPECT_EQ(toArguments(StartClock{}), QStringList());
}

TEST_F(CommandLine, RemindReadsTheClocksOwnTexts)
{
    const auto r = request<AddReminder>(args({"--remind", "07.12.2026", "9:05:00", "Врач"}));
    EXPECT_EQ(r.date, QDate(2026, 12, 7));
    EXPECT_EQ(r.time, QTime(9, 5, 0));
    EXPECT_EQ(r.title, u"Врач");
    EXPECT_TRUE(r.text.isEmpty());

    // A two-digit hour and a time without seconds read as the editors store them.
    EXPECT_EQ(request<AddReminder>(args({"--remind", "07.12.2026", "09:05:00", "Врач"})), r);
    EXPECT_EQ(request<AddReminder>(args({"--remind", "7.12.2026", "9:05", "Врач"})), r);

    const auto withText = request<AddReminder>(
        args({"--remind", "31.12.2026", "23:59:59", "Новый год", "Шампанское\nи мандарины"}));
    EXPECT_EQ(withText.text, u"Шампанское\nи мандарины");
    EXPECT_EQ(withText.time, QTime(23, 59, 59));
}

TEST_F(CommandLine, RemindRefusals)
{
    EXPECT_TRUE(refusal(args({"--remind", "07.12.2026", "9:05:00"})).contains(u"название"));
    EXPECT_TRUE(refusal(args({"--remind"})).contains(u"ДД.ММ.ГГГГ"));
    EXPECT_TRUE(refusal(args({"--remind", "07.12.2026", "9:05:00", "Врач", "текст", "ещё"}))
                    .contains(u"«ещё»"));
    EXPECT_TRUE(
        refusal(args({"--remind", "32.12.2026", "9:05:00", "Врач"})).contains(u"«32.12.2026»"));
    EXPECT_TRUE(
        refusal(args({"--remind", "29.02.2027", "9:05:00", "Врач"})).contains(u"«29.02.2027»"));
    EXPECT_TRUE(
        refusal(args({"--remind", "2026-12-07", "9:05:00", "Врач"})).contains(u"ДД.ММ.ГГГГ"));
    // The clock's own reading would take these for the years 26 and 2.
    EXPECT_TRUE(refusal(args({"--remind", "07.12.26", "9:05:00", "Врач"})).contains(u"четырьмя"));
    EXPECT_TRUE(refusal(args({"--remind", "07.12.2", "9:05:00", "Врач"})).contains(u"четырьмя"));
    EXPECT_TRUE(
        refusal(args({"--remind", "07.12.2026", "24:00:00", "Врач"})).contains(u"«24:00:00»"));
    EXPECT_TRUE(refusal(args({"--remind", "07.12.2026", "9.05", "Врач"})).contains(u"Ч:ММ:СС"));
    EXPECT_TRUE(refusal(args({"--remind=07.12.2026"})).contains(u"«=»"));
}

TEST_F(CommandLine, ActionsOfEveryTypeAndPeriodicity)
{
    const auto shutdown = request<AddAction>(args({"--action", "4", "07.12.2026", "22:30:00"}));
    EXPECT_EQ(shutdown.type, Shutdown);
    EXPECT_EQ(shutdown.path, u"Выключение"); // what the editor stores for the type
    EXPECT_EQ(shutdown.periodicity, Once);
    EXPECT_EQ(shutdown.days, (std::array<bool, 7>{}));
    EXPECT_EQ(request<AddAction>(args({"--action", "2", "07.12.2026", "1:00:00"})).path,
              u"Перезагрузка");
    EXPECT_EQ(request<AddAction>(args({"--action", "3", "07.12.2026", "1:00:00"})).path,
              u"Выход на экран приветствия");

    // A relative path is the caller's: it is made absolute against its folder.
    const auto sound = request<AddAction>(
        args({"--action", "0", "07.12.2026", "7:00:00", "звонок.mp3", "--daily"}));
    EXPECT_EQ(sound.type, SoundFile);
    EXPECT_EQ(sound.path, file(QStringLiteral("звонок.mp3")));
    EXPECT_EQ(sound.periodicity, EveryDay);

    const auto weekdays = request<AddAction>(
        QStringList{QStringLiteral("--action"), QStringLiteral("1"), QStringLiteral("07.12.2026"),
                    QStringLiteral("7:00"), QStringLiteral("--days"), QStringLiteral("1,3,5"),
                    file(QStringLiteral("музыка"))});
    EXPECT_EQ(weekdays.type, AnyFile);
    EXPECT_EQ(weekdays.path, file(QStringLiteral("музыка"))); // a folder opens too
    EXPECT_EQ(weekdays.periodicity, ChosenDays);
    EXPECT_EQ(weekdays.days, (std::array<bool, 7>{true, false, true, false, true, false, false}));
    EXPECT_EQ(weekdays.time, QTime(7, 0, 0));

    EXPECT_EQ(
        request<AddAction>(args({"--action", "4", "07.12.2026", "7:00:00", "--days=7,6"})).days,
        (std::array<bool, 7>{false, false, false, false, false, true, true}));
}

TEST_F(CommandLine, ActionRefusals)
{
    const QString day = QStringLiteral("07.12.2026"), time = QStringLiteral("7:00:00");
    auto action = [&](QStringList tail, const QString& type = QStringLiteral("4")) {
        return refusal(QStringList{QStringLiteral("--action"), type, day, time} + tail);
    };
    EXPECT_TRUE(action({}, QStringLiteral("5")).contains(u"от 0 до 4"));
    EXPECT_TRUE(action({}, QStringLiteral("-1")).contains(u"«-1»"));
    EXPECT_TRUE(action({}, QStringLiteral("звук")).contains(u"«звук»"));
    EXPECT_TRUE(action({}, QStringLiteral("0")).contains(u"нужен путь"));
    EXPECT_TRUE(action({QStringLiteral("нет.mp3")}, QStringLiteral("0")).contains(u"нет.mp3»"));
    EXPECT_TRUE(action({QStringLiteral("музыка")}, QStringLiteral("0")).contains(u"папка"));
    EXPECT_TRUE(action({QString()}, QStringLiteral("1")).contains(u"пуст"));
    EXPECT_TRUE(action({QStringLiteral("звонок.mp3")}).contains(u"путь не нужен"));
    EXPECT_TRUE(action({QStringLiteral("--daily"), QStringLiteral("--days"), QStringLiteral("1")})
                    .contains(u"одно"));
    EXPECT_TRUE(action({QStringLiteral("--days"), QStringLiteral("8")}).contains(u"«8»"));
    EXPECT_TRUE(action({QStringLiteral("--days"), QStringLiteral("0")}).contains(u"от 1"));
    EXPECT_TRUE(action({QStringLiteral("--days"), QStringLiteral("1,,3")}).contains(u"«1,,3»"));
    EXPECT_FALSE(action({QStringLiteral("--days")}).isEmpty());
    EXPECT_TRUE(action({QStringLiteral("--weekly")}).contains(u"«--weekly»"));
    EXPECT_TRUE(
        action({QStringLiteral("звонок.mp3"), QStringLiteral("второй")}, QStringLiteral("0"))
            .contains(u"«второй»"));
    EXPECT_TRUE(refusal(args({"--action", "4", "07.12.2026"})).contains(u"ТИП"));
}

TEST_F(CommandLine, TemplatesOnlyOfTheMenusDelays)
{
    for (int minutes : kTemplateMinutes) {
        EXPECT_EQ(
            request<StartTemplate>({QStringLiteral("--in"), QString::number(minutes)}).minutes,
            minutes);
    }
    EXPECT_EQ(request<StartTemplate>(args({"--in=45"})).minutes, 45);
    for (const char* bad : {"4", "0", "-5", "121", "1.5", "десять", "", "99999999999"})
        EXPECT_TRUE(refusal(args({"--in", bad})).contains(u"90 или 120")) << bad;
    EXPECT_FALSE(refusal(args({"--in"})).isEmpty());
    EXPECT_TRUE(refusal(args({"--in", "5", "10"})).contains(u"«10»"));
}

TEST_F(CommandLine, CommandsWithoutArguments)
{
    EXPECT_EQ(request<AbortShutdown>(args({"--abort"})), AbortShutdown{});
    EXPECT_EQ(request<StopSound>(args({"--stop-sound"})), StopSound{});
    EXPECT_EQ(request<ListEntries>(args({"--list"})), ListEntries{});
    EXPECT_EQ(request<ShowHelp>(args({"--help"})), ShowHelp{});
    EXPECT_EQ(request<ShowHelp>(args({"-h"})), ShowHelp{});
    EXPECT_TRUE(refusal(args({"--list", "всё"})).contains(u"«всё»"));
    EXPECT_TRUE(refusal(args({"--abort", "now"})).contains(u"--abort"));
    EXPECT_FALSE(refusal(args({"--stop-sound=1"})).isEmpty());
    EXPECT_FALSE(refusal(args({"--take-over", "5"})).isEmpty());
}

TEST_F(CommandLine, RemoveTakesTheIdAsListed)
{
    EXPECT_EQ(request<RemoveEntry>(args({"--remove", "Врач07.12.2026"})).id, u"Врач07.12.2026");
    EXPECT_EQ(request<RemoveEntry>(args({"--remove", "07.12.2026 10:30:00"})).id,
              u"07.12.2026 10:30:00");
    // Typed without quotes, an action's id arrives in pieces.
    EXPECT_EQ(request<RemoveEntry>(args({"--remove", "07.12.2026", "10:30:00", "#2"})).id,
              u"07.12.2026 10:30:00 #2");
    EXPECT_EQ(request<RemoveEntry>(args({"--remove=07.12.2026"})).id, u"07.12.2026");
    EXPECT_TRUE(refusal(args({"--remove"})).contains(u"--list"));
    EXPECT_FALSE(refusal(args({"--remove", ""})).isEmpty());
}

TEST_F(CommandLine, UnknownCommandsAreNamed)
{
    EXPECT_TRUE(refusal(args({"--remindme"})).contains(u"«--remindme»"));
    EXPECT_TRUE(refusal(args({"file.txt"})).contains(u"«file.txt»"));
    EXPECT_TRUE(refusal(args({"-"})).contains(u"«-»"));
    EXPECT_TRUE(refusal(args({""})).contains(u"«»"));
    EXPECT_TRUE(refusal(args({"--"})).contains(u"«--»"));
}

TEST(CommandLineHelp, NamesTheCommandAndEveryForm)
{
    const QString help = helpText(QStringLiteral("zentari"));
    for (const char* form :
         {"zentari --remind ДД.ММ.ГГГГ Ч:ММ:СС НАЗВАНИЕ [ТЕКСТ]",
          "zentari --action ТИП ДД.ММ.ГГГГ Ч:ММ:СС [ПУТЬ] [--daily | --days 1,3,5]",
          "zentari --in МИНУТЫ", "1, 2, 3, 5, 10, 15, 30, 45, 60, 90 или 120", "zentari --abort",
          "zentari --stop-sound", "zentari --list", "zentari --remove КОД", "zentari --help"})
        EXPECT_TRUE(help.contains(QString::fromUtf8(form))) << form;
    EXPECT_TRUE(helpText(QStringLiteral("/opt/z/Zentari")).contains(u"/opt/z/Zentari --list"));
    EXPECT_EQ(helpHint(QStringLiteral("zentari")), u"Справка: zentari --help");
}

// What a second start hands to the running clock must mean there what it meant here.
TEST_F(CommandLine, RequestsTravelAsArgumentsThatParseBack)
{
    AddAction action;
    action.type = SoundFile;
    action.date = QDate(2026, 12, 7);
    action.time = QTime(0, 0, 0);
    action.path = file(QStringLiteral("звонок.mp3"));
    action.periodicity = ChosenDays;
    action.days = {false, true, false, false, false, false, true};
    const std::vector<Request> requests = {
        StartClock{},
        StartClock{true},
        ShowHelp{},
        AddReminder{QDate(2026, 1, 2), QTime(9, 5, 0), QStringLiteral("Врач"), QString()},
        AddReminder{QDate(2026, 1, 2), QTime(23, 0, 1), QStringLiteral("-x"),
                    QStringLiteral("--list\nстрока")},
        action,
        AddAction{Shutdown,
                  QDate(2026, 2, 28),
                  QTime(12, 0, 0),
                  QStringLiteral("Выключение"),
                  EveryDay,
                  {}},
        StartTemplate{120},
        AbortShutdown{},
        StopSound{},
        ListEntries{},
        RemoveEntry{QStringLiteral("07.12.2026 10:30:00 #2")},
    };
    for (const Request& r : requests) {
        const QStringList a = toArguments(r);
        const ParseResult back = parse(a);
        EXPECT_TRUE(back.ok()) << a.join(u' ').toStdString() << ": " << back.message.toStdString();
        EXPECT_TRUE(back.request == r) << a.join(u' ').toStdString();
    }
}

// Whatever a script or a user types: a request or a message, never a crash,
// and every request survives the trip to the running clock.
TEST_F(CommandLine, RandomArgumentsGiveARequestOrAMessage)
{
    const QStringList vocabulary = {
        QStringLiteral("--remind"),
        QStringLiteral("--action"),
        QStringLiteral("--in"),
        QStringLiteral("--abort"),
        QStringLiteral("--stop-sound"),
        QStringLiteral("--list"),
        QStringLiteral("--remove"),
        QStringLiteral("--help"),
        QStringLiteral("--daily"),
        QStringLiteral("--days"),
        QStringLiteral("--days=1,7"),
        QStringLiteral("--in=5"),
        QStringLiteral("--take-over"),
        QStringLiteral("-h"),
        QStringLiteral("--"),
        QStringLiteral("="),
        QStringLiteral("07.12.2026"),
        QStringLiteral("29.02.2028"),
        QStringLiteral("31.04.2026"),
        QStringLiteral("1.1.1"),
        QStringLiteral("00.00.0000"),
        QStringLiteral("9:05:00"),
        QStringLiteral("23:59:59"),
        QStringLiteral("24:00"),
        QStringLiteral("9:05"),
        QStringLiteral("::"),
        QStringLiteral("0"),
        QStringLiteral("1"),
        QStringLiteral("4"),
        QStringLiteral("5"),
        QStringLiteral("120"),
        QStringLiteral("1,3,5"),
        QStringLiteral(",,"),
        QStringLiteral("звонок.mp3"),
        QStringLiteral("музыка"),
        QStringLiteral("/"),
        QStringLiteral(""),
        QStringLiteral(" "),
        QStringLiteral("Врач"),
        QStringLiteral("😀"),
        QStringLiteral("a\tb"),
        QStringLiteral("a\nb"),
        QString(QChar(0)),
        QString(1000, u'9'),
        QString(70000, u'я'),
        QString(QChar(0xD800)), // a lone surrogate
    };
    QRandomGenerator random(20261207);
    int accepted = 0;
    for (int round = 0; round < 30000; ++round) {
        QStringList arguments;
        const int count = int(random.bounded(8));
        for (int i = 0; i < count; ++i) {
            if (random.bounded(10) == 0) {
                QString noise;
                for (int j = int(random.bounded(12)); j > 0; --j)
                    noise += QChar(char16_t(random.bounded(0x10000)));
                arguments.append(noise);
            } else {
                arguments.append(vocabulary[random.bounded(vocabulary.size())]);
            }
        }
        const ParseResult r = parse(arguments);
        if (!r.ok())
            continue;
        ++accepted;
        const ParseResult back = parse(toArguments(r.request));
        ASSERT_TRUE(back.ok() && back.request == r.request)
            << arguments.join(u'|').toStdString() << " -> "
            << toArguments(r.request).join(u'|').toStdString();
    }
    EXPECT_GT(accepted, 1000); // the vocabulary does make requests
}
