#pragma once

#include "core/inifile.h"

#include <QString>
#include <QStringView>
#include <limits>

// Every option key, declared once with its section, its default and how the
// clock reads its text, so that no two readers of one key can pass different
// defaults or take one text two ways. The clock, the settings window and conf
// all read through this table; conf adds only how it shows a key.
namespace zentari::options {

// How the clock takes a key's text. Texts are compared whole and with regard
// to case: "01" is not "1", and "Yes" is not "yes".
enum class Reading : quint8
{
    OnWhenOnText,    // a switch, on only when the text is exactly onText
    OnUnlessOffText, // a switch, on for every text but offText
    Integer,         // decimal text (StrToInt); other text is a conversion error
    Colour,          // a colour text (StringToColor): 24 bits, red in the low byte
    File,            // a file path; "data\..." is resolved against the program's folder
};

struct Key
{
    QStringView section;
    QStringView name;
    QStringView defaultValue;
    Reading reading = Reading::OnWhenOnText;
    // The default is a file under the program's folder (defaultValue is then
    // the "data\..." name to resolve against it).
    bool defaultIsDataFile = false;
    // A switch's two texts: the ones the program and conf write for on and off.
    QStringView onText = u"1";
    QStringView offText = u"0";
    // The numbers the clock takes sensibly (an integer, or a colour given as a
    // number); conf accepts no other.
    int minimum = std::numeric_limits<int>::min();
    int maximum = std::numeric_limits<int>::max();
};

inline constexpr QStringView kBig = u"Options big";
// "TimesPlay" has always been read from this spelling; section names match
// without regard to case, so it is the same section as kBig.
inline constexpr QStringView kBigCapital = u"Options Big";
inline constexpr QStringView kSmall = u"Options small";

// clang-format off
inline constexpr Key ShowTimeInTitle{.section = kBig, .name = u"ShowTimeInTitle",
                                     .defaultValue = u"0", .reading = Reading::OnWhenOnText};
// 0 and below: the sound repeats until it is stopped.
inline constexpr Key TimesPlay{.section = kBigCapital, .name = u"TimesPlay", .defaultValue = u"1",
                               .reading = Reading::Integer};
// "0": a due reminder beeps; any other text: it plays "soundfilename".
inline constexpr Key SoundType{.section = kBig, .name = u"soundtype", .defaultValue = u"0",
                               .reading = Reading::OnUnlessOffText};
// The range of the PC speaker's beep.
inline constexpr Key BeepHz{.section = kBig, .name = u"behz", .defaultValue = u"1000",
                            .reading = Reading::Integer, .minimum = 37, .maximum = 32767};
inline constexpr Key BeepMs{.section = kBig, .name = u"bemi", .defaultValue = u"1000",
                            .reading = Reading::Integer, .minimum = 1, .maximum = 60000};
inline constexpr Key SoundFileName{.section = kBig, .name = u"soundfilename",
                                   .defaultValue = u"data\\music.mp3", .reading = Reading::File,
                                   .defaultIsDataFile = true};
// A number is kept to its low 24 bits: only 0 to 16777215 mean the colour they spell.
inline constexpr Key Color{.section = kBig, .name = u"Color", .defaultValue = u"16777088",
                           .reading = Reading::Colour, .minimum = 0, .maximum = 0xFFFFFF};
inline constexpr Key SavePosition{.section = kBig, .name = u"SavePosition", .defaultValue = u"0",
                                  .reading = Reading::OnWhenOnText};
inline constexpr Key Left{.section = kBig, .name = u"Left", .defaultValue = u"0",
                          .reading = Reading::Integer, .minimum = -32768, .maximum = 32767};
inline constexpr Key Top{.section = kBig, .name = u"Top", .defaultValue = u"0",
                         .reading = Reading::Integer, .minimum = -32768, .maximum = 32767};
inline constexpr Key Picture{.section = kBig, .name = u"Picture",
                             .defaultValue = u"data\\BackGround1.jpg", .reading = Reading::File,
                             .defaultIsDataFile = true};
inline constexpr Key WithBoard{.section = kBig, .name = u"WithBoard", .defaultValue = u"0",
                               .reading = Reading::OnUnlessOffText};
inline constexpr Key UseAlpha{.section = kBig, .name = u"UseAlpha", .defaultValue = u"0",
                              .reading = Reading::OnWhenOnText};
// The window's alpha is (value + 127) modulo 256: every value up to 255 means one.
inline constexpr Key AlphaValue{.section = kBig, .name = u"AlphaValue", .defaultValue = u"128",
                                .reading = Reading::Integer, .minimum = 0, .maximum = 255};
inline constexpr Key TraySet{.section = kBig, .name = u"TraySet", .defaultValue = u"1",
                             .reading = Reading::OnUnlessOffText};
inline constexpr Key SchemeAck{.section = kBig, .name = u"SchemeAck", .defaultValue = u"0",
                               .reading = Reading::OnWhenOnText};
inline constexpr Key WidthPan{.section = kBig, .name = u"WidthPan", .defaultValue = u"22",
                              .reading = Reading::Integer, .minimum = 0, .maximum = 2000};
inline constexpr Key StayOnTop{.section = kBig, .name = u"StayOnTop", .defaultValue = u"1",
                               .reading = Reading::OnWhenOnText};
// "1": the machine is woken from sleep a minute before the next due action or
// reminder, where it can be woken.
inline constexpr Key WakeForAlarms{.section = kBig, .name = u"WakeForAlarms",
                                   .defaultValue = u"0", .reading = Reading::OnWhenOnText};
// How many minutes late a missed sound or file is still performed after a
// sleep, a power-off or the clock set forward; 0: never.
inline constexpr Key MissedGrace{.section = kBig, .name = u"MissedGrace", .defaultValue = u"10",
                                 .reading = Reading::Integer, .minimum = 0, .maximum = 1440};
// How many minutes the first "Напомнить через" item of a reminder's window and
// "Отложить сигнал" of the menu put a reminder or a playing alarm sound off.
inline constexpr Key SnoozeMinutes{.section = kBig, .name = u"SnoozeMinutes",
                                   .defaultValue = u"10", .reading = Reading::Integer,
                                   .minimum = 1, .maximum = 1440};
// A sound (an alarm's or a reminder's) stops after ringing this many minutes,
// however many times it was to be heard; 0: "TimesPlay" alone decides.
inline constexpr Key RingMinutes{.section = kBig, .name = u"RingMinutes", .defaultValue = u"0",
                                 .reading = Reading::Integer, .minimum = 0, .maximum = 1440};
// An alarm sound's first play rises from silence over this many seconds; 0: at once.
inline constexpr Key FadeInSeconds{.section = kBig, .name = u"FadeInSeconds",
                                   .defaultValue = u"0", .reading = Reading::Integer,
                                   .minimum = 0, .maximum = 60};
// "0": no desktop notification beside a reminder's window or a ringing alarm.
inline constexpr Key Notifications{.section = kBig, .name = u"Notifications",
                                   .defaultValue = u"1", .reading = Reading::OnUnlessOffText};
inline constexpr Key On{.section = kSmall, .name = u"on", .defaultValue = u"yes",
                        .reading = Reading::OnWhenOnText, .onText = u"yes", .offText = u"no"};
// clang-format on

// Reads a key with its declared default ("data\..." defaults resolved against programDir).
QString read(const IniFile& ini, const Key& key, const QString& programDir);
// Reads a key and converts it to an integer; throws ConvertError on bad text.
int readInt(const IniFile& ini, const Key& key, const QString& programDir);
// Reads a colour key: the colour with red in the low byte; throws ConvertError on bad text.
unsigned int readColour(const IniFile& ini, const Key& key);
void write(IniFile& ini, const Key& key, const QString& value);

constexpr bool isSwitch(const Key& key)
{
    return key.reading == Reading::OnWhenOnText || key.reading == Reading::OnUnlessOffText;
}
// How the clock takes a switch's text.
bool isOn(const Key& key, QStringView text);
// Reads a switch with its default and takes its text as the clock does.
bool isOn(const IniFile& ini, const Key& key);
// Writes a switch's onText or offText.
void writeSwitch(IniFile& ini, const Key& key, bool on);

} // namespace zentari::options
