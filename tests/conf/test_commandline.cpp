#include "conf/commandline.h"
#include "conf/confoptions.h"
#include "core/cp1251.h"
#include "support/programdir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::ProgramDir;

namespace {

struct Outcome
{
    int status;
    QString out;
    QString err;
};

Outcome runConf(const ProgramDir& dir, QStringList arguments)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int status = conf::runCommandLine(arguments, dir.path(), o, e);
    o.flush();
    e.flush();
    return {status, out, err};
}

Outcome runConf(const ProgramDir& dir, const char* a, const char* b = nullptr,
                const char* c = nullptr)
{
    QStringList args{QString::fromUtf8(a)};
    for (const char* x : {b, c}) {
        if (x)
            args.append(QString::fromUtf8(x));
    }
    return runConf(dir, args);
}

// A file as people leave it: a comment, an unknown key and line, an action
// section, Cyrillic in Windows-1251, one section spelled in capitals.
const QByteArray kHandMade = "; \xcd\xe0\xf1\xf2\xf0\xee\xe9\xea\xe8\r\n" // "; Настройки"
                             "[OPTIONS BIG]\r\n"
                             "Left = 10\r\n"
                             "Mystery=42\r\n"
                             "just a line\r\n"
                             "[Action7]\r\n"
                             "Time=7:00:00\r\n"
                             "Path=C:\\\xcc\xf3\xe7\xfb\xea\xe0.mp3\r\n" // Музыка
                             "[Options small]\r\n"
                             "on=yes";

} // namespace

TEST(ConfCommandLine, ListShowsEveryOptionWithValueAndDefault)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[Options big]\nColor=255\n"));
    const Outcome r = runConf(dir, "--list");
    ASSERT_EQ(r.status, conf::Ok) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), conf::allOptions().size());
    EXPECT_TRUE(lines.contains(QStringLiteral("Options big\tColor\t255\t16777088")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Options Big\tTimesPlay\t1\t1")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Options small\ton\tyes\tyes")));
    // Data-file defaults are the full path the clock would open.
    EXPECT_TRUE(lines.contains(
        QStringLiteral("Options big\tPicture\t%1data/BackGround1.jpg\t%1data/BackGround1.jpg")
            .arg(dir.path())));
}

TEST(ConfCommandLine, GetFindsKeysInTheirOwnSectionsWithoutRegardToCase)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[options big]\ntimesplay=3\nON=no\n[Options small]\nON=no\n"));
    EXPECT_EQ(runConf(dir, "--get", "TIMESPLAY").out, u"3\n");
    // "on" lives in "Options small" only: the stray one in "Options big" does not count.
    EXPECT_EQ(runConf(dir, "--get", "on").out, u"no\n");
    EXPECT_EQ(runConf(dir, "--get", "behz").out, u"1000\n"); // missing: the default
    const Outcome unknown = runConf(dir, "--get", "Colour");
    EXPECT_EQ(unknown.status, conf::BadUsage);
    EXPECT_TRUE(unknown.err.contains(u"Colour"));
}

TEST(ConfCommandLine, SetReplacesInPlaceAndKeepsEverythingElseByteForByte)
{
    ProgramDir dir;
    dir.write(QStringLiteral("conf.ini"), kHandMade);
    const Outcome r =
        runConf(dir, QStringList{QStringLiteral("--set"), QStringLiteral("left=897"),
                                 QStringLiteral("on=no"), QStringLiteral("TimesPlay=4")});
    ASSERT_EQ(r.status, conf::Ok) << r.err.toStdString();
    QByteArray expected = kHandMade;
    expected.replace("Left = 10\r\nMystery=42\r\njust a line\r\n",
                     "Left =897\r\nMystery=42\r\njust a line\r\nTimesPlay=4\r\n");
    expected.replace("on=yes", "on=no");
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), expected);
}

TEST(ConfCommandLine, BadKeysAndValuesAreRefusedWithoutTouchingTheFile)
{
    ProgramDir dir;
    dir.write(QStringLiteral("conf.ini"), kHandMade);
    const char* refused[] = {
        "Left=12x",                    // not a number
        "AlphaValue=300",              // out of range
        "UseAlpha=yes",                // the clock only counts "1"
        "on=1",                        // and "on" only "yes"
        "Color=blue",                  // not a colour
        "Picture=",                    // no file
        "soundfilename=a\xc3\xa4.mp3", // "ä" has no byte in Windows-1251
        "NoSuchKey=1",
        "Left", // no "="
    };
    for (const char* arg : refused) {
        // A good value beside the bad one is not written either.
        const Outcome r = runConf(dir, "--set", "Top=5", arg);
        EXPECT_EQ(r.status, conf::BadUsage) << arg;
        EXPECT_FALSE(r.err.isEmpty()) << arg;
        EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), kHandMade) << arg;
    }
    EXPECT_EQ(runConf(dir, "--unset", "Nope").status, conf::BadUsage);
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), kHandMade);
}

TEST(ConfCommandLine, CyrillicValuesRoundTripThroughWindows1251)
{
    ProgramDir dir;
    QDir().mkpath(dir.path() + QStringLiteral("Картинки"));
    dir.write(QStringLiteral("Картинки/фон ёж.jpg"), "picture");
    const QString picture = dir.path() + QStringLiteral("Картинки/фон ёж.jpg");
    const Outcome set =
        runConf(dir, {QStringLiteral("--set"), QStringLiteral("Picture=") + picture});
    ASSERT_EQ(set.status, conf::Ok) << set.err.toStdString();
    const QByteArray bytes = dir.read(QStringLiteral("conf.ini"));
    EXPECT_TRUE(bytes.contains(cp1251::encode(QStringLiteral("Picture=%1\r\n").arg(picture))));
    EXPECT_EQ(runConf(dir, "--get", "picture").out, picture + u'\n');
}

TEST(ConfCommandLine, UnsetRemovesTheKeySoTheDefaultApplies)
{
    ProgramDir dir;
    dir.write(QStringLiteral("conf.ini"),
              "[Options big]\r\nbehz=440\r\nbemi=200\r\nbehz=880\r\n[Action1]\r\nbehz=1\r\n");
    ASSERT_EQ(runConf(dir, "--unset", "BEHZ").status, conf::Ok);
    // Both lines of the repeated key go; the action's own key of that name stays.
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")),
              QByteArray("[Options big]\r\nbemi=200\r\n[Action1]\r\nbehz=1\r\n"));
    EXPECT_EQ(runConf(dir, "--get", "behz").out, u"1000\n");
    ASSERT_EQ(runConf(dir, "--unset", "behz").status, conf::Ok); // already gone: nothing to do
}

TEST(ConfCommandLine, CheckReportsEveryBadValue)
{
    ProgramDir dir;
    dir.write(QStringLiteral("data/BackGround1.jpg"), "x");
    dir.writeConf(QStringLiteral("[Options big]\nbehz=12a\nbemi=-5\nColor=$FF00\n"
                                 "Picture=data\\BackGround1.jpg\nsoundfilename=/nowhere/x.mp3\n"
                                 "[Options Big]\nTimesPlay= 2\n"));
    const Outcome r = runConf(dir, "--check");
    EXPECT_EQ(r.status, conf::ProblemsFound);
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    EXPECT_TRUE(lines[0].contains(u"soundfilename")); // table order: signals after look
    EXPECT_TRUE(r.out.contains(u"behz") && r.out.contains(u"12a"));
    EXPECT_TRUE(r.out.contains(u"bemi"));
    // "$FF00" is a colour the clock reads; " 2" a number it reads; the picture exists.
    EXPECT_FALSE(r.out.contains(u"Color") || r.out.contains(u"TimesPlay") ||
                 r.out.contains(u"Picture"));

    ProgramDir clean;
    EXPECT_EQ(runConf(clean, "--check").status, conf::Ok);
}

TEST(ConfCommandLine, DirChoosesAnotherProgramFolder)
{
    ProgramDir here, there;
    there.writeConf(QStringLiteral("[Options big]\nWidthPan=40\n"));
    const Outcome r = runConf(here, "--dir", there.path().toUtf8().constData(), "--get");
    EXPECT_EQ(r.status, conf::BadUsage); // --get without its key
    const Outcome get =
        runConf(here, QStringList{QStringLiteral("--dir=") + there.path(), QStringLiteral("--get"),
                                  QStringLiteral("widthpan")});
    EXPECT_EQ(get.out, u"40\n");
    EXPECT_EQ(runConf(here, "--dir", "/no/such/folder", "--list").status, conf::BadUsage);
    EXPECT_EQ(runConf(here, "--frobnicate").status, conf::BadUsage);
    EXPECT_TRUE(conf::wantsCommandLine({QStringLiteral("--list")}));
    EXPECT_FALSE(conf::wantsCommandLine({}));
}

TEST(ConfCommandLine, AnUnreadableFileIsNeverWritten)
{
    ProgramDir dir;
    QByteArray huge(17 * 1024 * 1024, 'x'); // over the store's limit, so it is not read
    dir.write(QStringLiteral("conf.ini"), huge);
    const Outcome r = runConf(dir, "--set", "Left=1");
    EXPECT_EQ(r.status, conf::FileFailed);
    EXPECT_EQ(QFile(dir.confPath()).size(), huge.size());
    EXPECT_EQ(runConf(dir, "--check").status, conf::ProblemsFound);
}

// ---------------------------------------------------------------------------
// What the tool accepts, prints and writes is what the clock makes of it.

TEST(ConfToolFixes, RangesFollowWhatTheClockDoesWithTheValue)
{
    ProgramDir dir;
    // (value + 127) mod 256: accepted up to 255 as the clock reads it, with a warning.
    Outcome r = runConf(dir, "--set", "AlphaValue=200");
    EXPECT_EQ(r.status, conf::Ok) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"Предупреждение") && r.err.contains(u"129")) << r.err.toStdString();
    EXPECT_EQ(runConf(dir, "--get", "AlphaValue").out, u"200\n");
    r = runConf(dir, "--check");
    EXPECT_EQ(r.status, conf::Ok);
    EXPECT_TRUE(r.out.contains(u"Предупреждение") && r.out.contains(u"AlphaValue"));
    EXPECT_TRUE(runConf(dir, "--set", "AlphaValue=128").err.isEmpty());
    EXPECT_EQ(runConf(dir, "--set", "AlphaValue=256").status, conf::BadUsage);
    // 0 and below: repeat until stopped.
    EXPECT_EQ(runConf(dir, "--set", "TimesPlay=0").status, conf::Ok);
    EXPECT_EQ(runConf(dir, "--set", "TimesPlay=-3").status, conf::Ok);
    EXPECT_EQ(runConf(dir, "--get", "TimesPlay").out, u"-3\n");
    // The clock would keep the low 24 bits: another colour than the one typed.
    for (const char* colour : {"Color=-1", "Color=16777216", "Color=$1000000"})
        EXPECT_EQ(runConf(dir, "--set", colour).status, conf::BadUsage) << colour;
    for (const char* colour : {"Color=16777215", "Color=0", "Color=$FF00", "Color=clRed"})
        EXPECT_EQ(runConf(dir, "--set", colour).status, conf::Ok) << colour;
}

TEST(ConfToolFixes, GetAndListPrintWhatTheClockUses)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[Options big]\nbehz=loud\nUseAlpha=yes\nWithBoard=yes\n"
                                 "Color=$FF00\nPicture=/nowhere/фон.jpg\nLeft= 12\n"));
    EXPECT_EQ(runConf(dir, "--get", "behz").out, u"1000\n");
    EXPECT_EQ(runConf(dir, "--get", "UseAlpha").out, u"0\n");
    EXPECT_EQ(runConf(dir, "--get", "WithBoard").out, u"1\n");
    EXPECT_EQ(runConf(dir, "--get", "Color").out, u"65280\n");
    EXPECT_EQ(runConf(dir, "--get", "Left").out, u"12\n");
    EXPECT_EQ(runConf(dir, "--get", "Picture").out,
              dir.path() + QStringLiteral("data/BackGround1.jpg\n"));
    const QStringList lines = runConf(dir, "--list").out.split(u'\n');
    EXPECT_TRUE(lines.contains(QStringLiteral("Options big\tbehz\t1000\t1000")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Options big\tUseAlpha\t0\t0")));

    // A file that cannot be read gives no values at all, not the defaults.
    dir.write(QStringLiteral("conf.ini"), QByteArray(17 * 1024 * 1024, 'x'));
    Outcome r = runConf(dir, "--get", "Left");
    EXPECT_EQ(r.status, conf::FileFailed);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_FALSE(r.err.isEmpty());
    r = runConf(dir, "--list");
    EXPECT_EQ(r.status, conf::FileFailed);
    EXPECT_TRUE(r.out.isEmpty());
}

TEST(ConfToolFixes, LinesAddedToAnLfFileEndInLf)
{
    ProgramDir dir;
    dir.write(QStringLiteral("conf.ini"), "[Options big]\nLeft=5\n");
    ASSERT_EQ(runConf(dir, QStringList{QStringLiteral("--set"), QStringLiteral("Top=3"),
                                       QStringLiteral("on=no")})
                  .status,
              conf::Ok);
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")),
              QByteArray("[Options big]\nLeft=5\nTop=3\n[Options small]\non=no\n"));
    // A Windows file stays one.
    dir.write(QStringLiteral("conf.ini"), "[Options big]\r\nLeft=5\r\n");
    ASSERT_EQ(runConf(dir, "--set", "Top=3").status, conf::Ok);
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")),
              QByteArray("[Options big]\r\nLeft=5\r\nTop=3\r\n"));
}

TEST(ConfToolFixes, HelpNamesTheCommandAsItWasStarted)
{
    ProgramDir dir;
    QString out, err;
    QTextStream o(&out), e(&err);
    EXPECT_EQ(conf::runCommandLine({QStringLiteral("--help")}, dir.path(), o, e,
                                   QStringLiteral("zentari-conf")),
              conf::Ok);
    EXPECT_EQ(conf::runCommandLine({QStringLiteral("--get"), QStringLiteral("Nope")}, dir.path(), o,
                                   e, QStringLiteral("zentari-conf")),
              conf::BadUsage);
    o.flush();
    e.flush();
    EXPECT_TRUE(out.startsWith(u"Использование: zentari-conf ")) << out.toStdString();
    EXPECT_TRUE(err.contains(u"zentari-conf --list")) << err.toStdString();
}

TEST(ConfToolFixes, AnInstalledProgramFolderIsNotChosenWithDir)
{
    ProgramDir here, installed;
    installed.write(QStringLiteral("zentari-installed"), "");
    const Outcome r = runConf(here, "--dir", installed.path().toUtf8().constData(), "--list");
    EXPECT_EQ(r.status, conf::BadUsage);
    EXPECT_TRUE(r.err.contains(u"установленной программы"));
}

TEST(ConfToolFixes, OnlyAChangeOfTheFileIsToldToTheFolder)
{
    ProgramDir dir;
    QStringList told;
    const auto run = [&](QStringList arguments) {
        QString out, err;
        QTextStream o(&out), e(&err);
        return conf::runCommandLine(arguments, dir.path(), o, e, QStringLiteral("conf"),
                                    [&](const QString& folder) { told.append(folder); });
    };
    EXPECT_EQ(run({QStringLiteral("--set"), QStringLiteral("Top=3")}), conf::Ok);
    EXPECT_EQ(run({QStringLiteral("--unset"), QStringLiteral("Top")}), conf::Ok);
    EXPECT_EQ(told, QStringList(2, dir.path()));
    // Nothing written, nothing to look at again.
    told.clear();
    EXPECT_EQ(run({QStringLiteral("--set"), QStringLiteral("Top=x")}), conf::BadUsage);
    EXPECT_EQ(run({QStringLiteral("--list")}), conf::Ok);
    EXPECT_EQ(run({QStringLiteral("--check")}), conf::Ok);
    EXPECT_TRUE(told.isEmpty()) << told.join(u' ').toStdString();
}
