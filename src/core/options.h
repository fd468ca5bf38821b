#pragma once

#include "core/inifile.h"

#include <QString>
#include <QStringView>

// Every option key, declared once with its section and its default, so that
// no two readers of one key can pass different defaults.
namespace zentari::options {

struct Key
{
    QStringView section;
    QStringView name;
    QStringView defaultValue;
    // The default is a file under the program's folder (defaultValue is then
    // the "data\..." name to resolve against it).
    bool defaultIsDataFile = false;
};

inline constexpr QStringView kBig = u"Options big";
// "TimesPlay" has always been read from this spelling; section names match
// without regard to case, so it is the same section as kBig.
inline constexpr QStringView kBigCapital = u"Options Big";
inline constexpr QStringView kSmall = u"Options small";

inline constexpr Key ShowTimeInTitle{kBig, u"ShowTimeInTitle", u"0"};
inline constexpr Key TimesPlay{kBigCapital, u"TimesPlay", u"1"};
inline constexpr Key SoundType{kBig, u"soundtype", u"0"};
inline constexpr Key BeepHz{kBig, u"behz", u"1000"};
inline constexpr Key BeepMs{kBig, u"bemi", u"1000"};
inline constexpr Key SoundFileName{kBig, u"soundfilename", u"data\\music.mp3", true};
inline constexpr Key Color{kBig, u"Color", u"16777088"};
inline constexpr Key SavePosition{kBig, u"SavePosition", u"0"};
inline constexpr Key Left{kBig, u"Left", u"0"};
inline constexpr Key Top{kBig, u"Top", u"0"};
inline constexpr Key Picture{kBig, u"Picture", u"data\\BackGround1.jpg", true};
inline constexpr Key WithBoard{kBig, u"WithBoard", u"0"};
inline constexpr Key UseAlpha{kBig, u"UseAlpha", u"0"};
inline constexpr Key AlphaValue{kBig, u"AlphaValue", u"128"};
inline constexpr Key TraySet{kBig, u"TraySet", u"1"};
inline constexpr Key SchemeAck{kBig, u"SchemeAck", u"0"};
inline constexpr Key WidthPan{kBig, u"WidthPan", u"22"};
inline constexpr Key StayOnTop{kBig, u"StayOnTop", u"1"};
inline constexpr Key On{kSmall, u"on", u"yes"};

// Reads a key with its declared default ("data\..." defaults resolved against programDir).
QString read(const IniFile& ini, const Key& key, const QString& programDir);
// Reads a key and converts it to an integer; throws ConvertError on bad text.
int readInt(const IniFile& ini, const Key& key, const QString& programDir);
void write(IniFile& ini, const Key& key, const QString& value);

} // namespace zentari::options
