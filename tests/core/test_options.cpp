#include "core/error.h"
#include "core/inifile.h"
#include "core/options.h"
#include "support/programdir.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::ProgramDir;
namespace o = zentari::options;

// How each kind of key reads, through the table every reader asks: the clock,
// the settings window and conf cannot take one text two ways.

TEST(OptionTable, AnEmptyFileIsACompleteConfiguration)
{
    ProgramDir dir;
    dir.writeConf(QString());
    const IniFile ini(dir.confPath());
    EXPECT_FALSE(o::isOn(ini, o::ShowTimeInTitle));
    EXPECT_FALSE(o::isOn(ini, o::SoundType)); // reminders beep
    EXPECT_FALSE(o::isOn(ini, o::SavePosition));
    EXPECT_FALSE(o::isOn(ini, o::WithBoard)); // borderless
    EXPECT_FALSE(o::isOn(ini, o::UseAlpha));
    EXPECT_TRUE(o::isOn(ini, o::TraySet)); // to the tray after start
    EXPECT_FALSE(o::isOn(ini, o::SchemeAck));
    EXPECT_TRUE(o::isOn(ini, o::StayOnTop));
    EXPECT_TRUE(o::isOn(ini, o::On)); // alarms and reminders active
    EXPECT_EQ(o::readInt(ini, o::TimesPlay, dir.path()), 1);
    EXPECT_EQ(o::readInt(ini, o::BeepHz, dir.path()), 1000);
    EXPECT_EQ(o::readInt(ini, o::BeepMs, dir.path()), 1000);
    EXPECT_EQ(o::readInt(ini, o::AlphaValue, dir.path()), 128);
    EXPECT_EQ(o::readInt(ini, o::WidthPan, dir.path()), 22);
    EXPECT_EQ(o::readColour(ini, o::Color), 16777088u);
}

TEST(OptionTable, SwitchesReadTheirExactTextsOnly)
{
    ProgramDir dir;
    // On only when exactly "1" (or "yes" for "on"), whatever the case of the names.
    dir.writeConf(QStringLiteral("[OPTIONS BIG]\nuseAlpha=yes\nSavePosition=01\nSchemeAck=1\n"
                                 "ShowTimeInTitle=on\n[options SMALL]\nON=Yes\n"));
    IniFile ini(dir.confPath());
    EXPECT_FALSE(o::isOn(ini, o::UseAlpha));
    EXPECT_FALSE(o::isOn(ini, o::SavePosition));
    EXPECT_TRUE(o::isOn(ini, o::SchemeAck));
    EXPECT_FALSE(o::isOn(ini, o::ShowTimeInTitle));
    EXPECT_FALSE(o::isOn(ini, o::On));

    // On for any text but exactly "0": an empty value counts as on.
    dir.writeConf(QStringLiteral("[Options big]\nWithBoard=yes\nTraySet=\nsoundtype=00\n"));
    ini.recheckNow();
    EXPECT_TRUE(o::isOn(ini, o::WithBoard));
    EXPECT_TRUE(o::isOn(ini, o::TraySet));
    EXPECT_TRUE(o::isOn(ini, o::SoundType));
    dir.writeConf(QStringLiteral("[Options big]\nWithBoard=0\nTraySet=0\nsoundtype=0\n"));
    ini.recheckNow();
    EXPECT_FALSE(o::isOn(ini, o::WithBoard));
    EXPECT_FALSE(o::isOn(ini, o::TraySet));
    EXPECT_FALSE(o::isOn(ini, o::SoundType));

    // What the program writes is what it reads back.
    for (const bool on : {true, false}) {
        o::writeSwitch(ini, o::WithBoard, on);
        o::writeSwitch(ini, o::On, on);
        EXPECT_EQ(o::isOn(ini, o::WithBoard), on);
        EXPECT_EQ(o::isOn(ini, o::On), on);
    }
    EXPECT_EQ(ini.readString(u"Options small", u"on", QString()), u"no");
    EXPECT_EQ(ini.readString(u"Options big", u"WithBoard", QString()), u"0");
}

TEST(OptionTable, NumbersAndColoursConvertOrFail)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[options big]\ntimesplay=3\nbehz=loud\nColor=255\n"
                                 "AlphaValue=-1\n"));
    IniFile ini(dir.confPath());
    // "TimesPlay" is read from "Options Big": the one section all the same.
    EXPECT_EQ(o::readInt(ini, o::TimesPlay, dir.path()), 3);
    EXPECT_THROW(o::readInt(ini, o::BeepHz, dir.path()), ConvertError);
    EXPECT_EQ(o::readColour(ini, o::Color), 255u);
    EXPECT_EQ(o::readInt(ini, o::AlphaValue, dir.path()), -1); // read as it is; conf refuses it

    dir.writeConf(QStringLiteral("[Options big]\nColor=light cyan\n"));
    ini.recheckNow();
    EXPECT_THROW(o::readColour(ini, o::Color), ConvertError);
}

TEST(OptionTable, FileDefaultsLieInTheProgramFolder)
{
    ProgramDir dir;
    dir.writeConf(QStringLiteral("[Options big]\nPicture=/pictures/sea.jpg\n"));
    const IniFile ini(dir.confPath());
    EXPECT_EQ(o::read(ini, o::Picture, dir.path()), u"/pictures/sea.jpg");
    EXPECT_EQ(QDir::cleanPath(o::read(ini, o::SoundFileName, dir.path())),
              QDir::cleanPath(dir.file(QStringLiteral("data/music.mp3"))));
}
