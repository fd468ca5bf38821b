#include "core/cp1251.h"
#include "core/error.h"
#include "scheduler/actionediting.h"
#include "support/programdir.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::ProgramDir;

namespace {

// Expected lines, written as plain literals.
QStringList lines(std::initializer_list<const char*> texts)
{
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

const auto anyFileExists = [](const QString&) { return true; };
const auto noFileExists = [](const QString&) { return false; };

ActionFields fieldsOf(int type, const QString& path, QTime time = QTime(10, 30),
                      QDate date = QDate(2026, 12, 7))
{
    return ActionFields{type, path, time, date};
}

PeriodicityChoice chosen(int code, std::array<bool, 7> days = {})
{
    return PeriodicityChoice{code, true, days};
}

// Everything the store writes, to show that a refused or cancelled edit wrote nothing.
QByteArray snapshot(const ProgramDir& dir)
{
    QByteArray all;
    for (const char* f : {"conf.ini", "data/1Actions.zdt", "data/1Paths.zdt", "data/1Times.zdt",
                          "data/1Dates.zdt", "data/1Ids.zdt"})
        all += QByteArray(f) + ':' + dir.read(QString::fromLatin1(f)) + '\n';
    return all;
}

struct EditorStore
{
    ProgramDir dir;
    ActionEditing editing{dir.path()};
    EditorStore()
    {
        editing.openStore();
        editing.loadAll();
    }
};

} // namespace

// ------------------------------------------------------------ what OK writes

TEST(ActionEditingSave, ShutdownOnChosenDaysWritesTheFiveListsAndTheSectionInOrder)
{
    EditorStore s;
    const QString id =
        s.editing.save(fieldsOf(4, QStringLiteral("Выключение"), QTime(7, 5, 9)),
                       chosen(3, {true, false, false, false, true, false, false}), noFileExists);
    EXPECT_EQ(id, u"07.12.2026 7:05:09");
    EXPECT_EQ(s.dir.read(QStringLiteral("data/1Actions.zdt")), QByteArray("4\r\n"));
    EXPECT_EQ(s.dir.read(QStringLiteral("data/1Paths.zdt")),
              cp1251::encode(u"Выключение") + "\r\n");
    EXPECT_EQ(s.dir.read(QStringLiteral("data/1Times.zdt")), QByteArray("7:05:09\r\n"));
    EXPECT_EQ(s.dir.read(QStringLiteral("data/1Dates.zdt")), QByteArray("07.12.2026\r\n"));
    EXPECT_EQ(s.dir.read(QStringLiteral("data/1Ids.zdt")), QByteArray("07.12.2026 7:05:09\r\n"));
    EXPECT_EQ(
        s.dir.read(QStringLiteral("conf.ini")),
        "[Action07.12.2026 7:05:09]\r\nAction=4\r\nDate=07.12.2026\r\nTime=7:05:09\r\nPath=" +
            cp1251::encode(u"Выключение") +
            "\r\nType_Per=3\r\nMon=1\r\nTue=0\r\nWed=0\r\nThu=0\r\nFri=1\r\nSat=0\r\nSun=0\r\n");
    // The editor's own copies follow the files, so the list box shows the new line.
    EXPECT_EQ(s.editing.lists().paths, QStringList{QStringLiteral("Выключение")});
}

TEST(ActionEditingSave, EachTypeStoresItsCodeAndPath)
{
    EditorStore s;
    const QStringList paths = {QStringLiteral("/home/anna/Музыка/будильник.mp3"),
                               QStringLiteral("/home/anna/notes.txt"), actionediting::pathLabel(2),
                               actionediting::pathLabel(3), actionediting::pathLabel(4)};
    for (int type = 0; type < 5; ++type)
        s.editing.save(fieldsOf(type, paths[type], QTime(9, 0, type)), chosen(2), anyFileExists);
    EXPECT_EQ(s.dir.readList(QStringLiteral("data/1Actions.zdt")),
              lines({"0", "1", "2", "3", "4"}));
    EXPECT_EQ(
        s.dir.readList(QStringLiteral("data/1Paths.zdt")),
        (QStringList{paths[0], paths[1], QStringLiteral("Перезагрузка"),
                     QStringLiteral("Выход на экран приветствия"), QStringLiteral("Выключение")}));
    IniFile ini(s.dir.confPath());
    for (int type = 0; type < 5; ++type) {
        const QString section = QStringLiteral("Action07.12.2026 9:00:0%1").arg(type);
        EXPECT_EQ(ini.readString(section, u"Action", {}), QString::number(type));
        EXPECT_EQ(ini.readString(section, u"Path", {}), paths[type]);
        EXPECT_EQ(ini.readString(section, u"Type_Per", {}), u"2");
    }
}

TEST(ActionEditingSave, UntilTheDialogWasClosedTheCodeIsOnceButTheCheckMarksAreKept)
{
    EditorStore s;
    PeriodicityChoice notYet{3, false, {false, false, false, false, false, false, true}};
    const QString id =
        s.editing.save(fieldsOf(2, QStringLiteral("Перезагрузка")), notYet, noFileExists);
    IniFile ini(s.dir.confPath());
    EXPECT_EQ(ini.readString(ActionStore::sectionName(id), u"Type_Per", {}), u"1");
    EXPECT_EQ(ini.readString(ActionStore::sectionName(id), u"Sun", {}), u"1");
}

TEST(ActionEditingSave, AMidnightActionIsNamedByItsDateAlone)
{
    EditorStore s;
    const QString id = s.editing.save(
        fieldsOf(3, QStringLiteral("Выход на экран приветствия"), QTime(0, 0), QDate(2026, 12, 8)),
        chosen(1), noFileExists);
    EXPECT_EQ(id, u"08.12.2026");
    EXPECT_EQ(s.dir.readList(QStringLiteral("data/1Times.zdt")), lines({"0:00:00"}));
}

// ------------------------------------------------------------ change and delete

TEST(ActionEditingChange, OkRemovesTheOldActionAndAppendsTheNewOneAtTheEnd)
{
    EditorStore s;
    s.editing.save(fieldsOf(2, QStringLiteral("Перезагрузка"), QTime(8, 0)), chosen(1),
                   noFileExists);
    s.editing.save(fieldsOf(3, QStringLiteral("Выход на экран приветствия"), QTime(9, 0)),
                   chosen(1), noFileExists);
    s.editing.beginChange(0);
    EXPECT_EQ(s.dir.readList(QStringLiteral("data/1Ids.zdt")).size(), 2)
        << "the old action must stay until OK";
    s.editing.save(fieldsOf(4, QStringLiteral("Выключение"), QTime(8, 15)), chosen(1),
                   noFileExists);
    EXPECT_EQ(s.dir.readList(QStringLiteral("data/1Ids.zdt")),
              lines({"07.12.2026 9:00:00", "07.12.2026 8:15:00"}));
    EXPECT_EQ(s.dir.readList(QStringLiteral("data/1Actions.zdt")), lines({"3", "4"}));
    IniFile ini(s.dir.confPath());
    EXPECT_FALSE(ini.sectionExists(u"Action07.12.2026 8:00:00"));
    EXPECT_TRUE(ini.sectionExists(u"Action07.12.2026 8:15:00"));
    EXPECT_FALSE(s.editing.changing());
}

TEST(ActionEditingChange, CancelAfterChangeLeavesTheStoreByteForByte)
{
    EditorStore s;
    s.editing.save(fieldsOf(2, QStringLiteral("Перезагрузка")), chosen(3, {true}), noFileExists);
    const QByteArray before = snapshot(s.dir);
    s.editing.beginChange(0);
    s.editing.cancelChange();
    EXPECT_EQ(snapshot(s.dir), before);
    // A later add is an add, not the change that was cancelled.
    s.editing.save(fieldsOf(4, QStringLiteral("Выключение"), QTime(11, 0)), chosen(1),
                   noFileExists);
    EXPECT_EQ(s.dir.readList(QStringLiteral("data/1Ids.zdt")),
              lines({"07.12.2026 10:30:00", "07.12.2026 11:00:00"}));
}

TEST(ActionEditingChange, FindsTheOldActionByItsIdWhenAnotherWriterMovedIt)
{
    EditorStore s;
    s.editing.save(fieldsOf(2, QStringLiteral("Перезагрузка"), QTime(8, 0)), chosen(1),
                   noFileExists);
    s.editing.save(fieldsOf(3, QStringLiteral("Выход на экран приветствия"), QTime(9, 0)),
                   chosen(1), noFileExists);
    s.editing.beginChange(1); // the 9:00 action
    ActionStore other(s.dir.path());
    other.openStore();
    other.removeAt(0); // someone deletes the 8:00 one meanwhile
    s.editing.save(fieldsOf(4, QStringLiteral("Выключение"), QTime(10, 0)), chosen(1),
                   noFileExists);
    EXPECT_EQ(s.dir.readList(QStringLiteral("data/1Ids.zdt")), lines({"07.12.2026 10:00:00"}));
}

TEST(ActionEditingIds, CollidingActionsShowAndDeleteTheirOwnSection)
{
    EditorStore s;
    s.editing.save(fieldsOf(2, QStringLiteral("Перезагрузка")), chosen(3, {true}), noFileExists);
    s.editing.save(fieldsOf(4, QStringLiteral("Выключение")),
                   chosen(3, {false, false, false, false, true, false, true}), noFileExists);
    EXPECT_EQ(s.editing.lists().ids, lines({"07.12.2026 10:30:00", "07.12.2026 10:30:00 #2"}));
    EXPECT_EQ(s.editing.weekdayLineAt(0), u" ,Пон");
    EXPECT_EQ(s.editing.weekdayLineAt(1), u" ,Пят ,Воскр");

    ASSERT_TRUE(s.editing.removeAt(1));
    IniFile ini(s.dir.confPath());
    EXPECT_TRUE(ini.sectionExists(u"Action07.12.2026 10:30:00"));
    EXPECT_FALSE(ini.sectionExists(u"Action07.12.2026 10:30:00 #2"));
    EXPECT_EQ(s.dir.readList(QStringLiteral("data/1Paths.zdt")),
              QStringList{QStringLiteral("Перезагрузка")});
    EXPECT_FALSE(s.editing.removeAt(1)) << "no action there any more";
}

// ------------------------------------------------------------ refusals

TEST(ActionEditingRefusal, ActionsThatCouldNeverRunAreRefusedAndNothingIsWritten)
{
    EditorStore s;
    s.editing.save(fieldsOf(2, QStringLiteral("Перезагрузка")), chosen(1), noFileExists);
    const QByteArray before = snapshot(s.dir);
    const auto existsOnlyA = [](const QString& p) { return p == u"/a.mp3"; };
    struct Case
    {
        ActionFields fields;
        QString mentions;
    };
    const Case cases[] = {
        {fieldsOf(-1, QStringLiteral("/a.mp3")), QStringLiteral("Здесь выберите действие")},
        {fieldsOf(0, QString()), QStringLiteral("Обзор")},
        {fieldsOf(0, QStringLiteral("   ")), QStringLiteral("Обзор")},
        {fieldsOf(0, QStringLiteral("Выберите файл!!!!")), QStringLiteral("Обзор")},
        {fieldsOf(1, QStringLiteral("Путь до файла")), QStringLiteral("Обзор")},
        {fieldsOf(1, QStringLiteral("/b.txt")), QStringLiteral("«/b.txt» не найден")},
        {fieldsOf(0, QStringLiteral("/a\n.mp3")), QStringLiteral("перевод строки")},
        {fieldsOf(0, QStringLiteral("/☃.mp3")), QStringLiteral("«☃» (U+2603)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields.pathText.toStdString() + " type " +
                     std::to_string(c.fields.typeCode));
        const QString problem = actionediting::fieldsProblem(c.fields, existsOnlyA);
        EXPECT_TRUE(problem.contains(c.mentions)) << problem.toStdString();
        try {
            s.editing.save(c.fields, chosen(1), existsOnlyA);
            ADD_FAILURE() << "saved";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), problem);
        }
    }
    EXPECT_EQ(snapshot(s.dir), before);
    // The labelled types carry no file, and an existing file is fine.
    EXPECT_EQ(actionediting::fieldsProblem(fieldsOf(0, QStringLiteral("/a.mp3")), existsOnlyA),
              u"");
    EXPECT_EQ(
        actionediting::fieldsProblem(fieldsOf(2, QStringLiteral("Перезагрузка")), existsOnlyA),
        u"");
}

// ------------------------------------------------------------ texts

TEST(ActionEditingTexts, WeekdayLineBeginsWithItsSeparator)
{
    EXPECT_EQ(actionediting::weekdayLine({true, false, false, false, true, false, false}),
              u" ,Пон ,Пят");
    EXPECT_EQ(actionediting::weekdayLine({}), u"");
    EXPECT_EQ(actionediting::weekdayLine({true, true, true, true, true, true, true}),
              u" ,Пон ,Вт ,Ср ,Чет ,Пят ,Суб ,Воскр");
}

TEST(ActionEditingTexts, FileFiltersShowTheCaptionsAndMatchByTheirHiddenPatterns)
{
    // What a file dialog that hides filter details does with each filter: the
    // last parenthesised group is the patterns, the rest the caption shown.
    static const QRegularExpression details(QStringLiteral(R"(^(.*)\(([^()]*)\)$)"));
    const auto split = [](const QStringList& filters) {
        QStringList captions, patterns;
        for (const QString& f : filters) {
            const auto m = details.match(f);
            EXPECT_TRUE(m.hasMatch()) << f.toStdString();
            captions << m.captured(1).simplified();
            patterns << m.captured(2);
        }
        return std::pair(captions, patterns);
    };
    const auto [soundCaptions, soundPatterns] = split(actionediting::fileFilters(0));
    EXPECT_EQ(soundCaptions, lines({"Все доступные звуковые файлы (*.*mp3;*.*wav;*.*mid)",
                                    "mp3 (*.*mp3)", "Wav (*.*wav)", "Midi (*.*mid)"}));
    EXPECT_EQ(soundPatterns, lines({"*.mp3 *.wav *.mid", "*.mp3", "*.wav", "*.mid"}));
    const auto [fileCaptions, filePatterns] = split(actionediting::fileFilters(1));
    EXPECT_EQ(fileCaptions, lines({"Все доступные для запуска файлы (*.*)", "exe (*.*exe)",
                                   "bat (*.*bat)", "com (*.*com)"}));
    EXPECT_EQ(filePatterns, lines({"*", "*.exe", "*.bat", "*.com"}));
}
