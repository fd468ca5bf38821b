#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Windows-1251, the code page of every file the program reads and writes.
// A fixed table rather than QStringConverter or iconv: Qt without ICU lacks
// this code page, and iconv refuses byte 0x98, which we map to U+0098 so that
// no byte of a user's file is lost on a round trip.
namespace zentari::cp1251 {

QChar toUnicode(unsigned char byte);
QString decode(const char* data, qsizetype size);
inline QString decode(const QByteArray& bytes)
{
    return decode(bytes.constData(), bytes.size());
}

// Characters the code page cannot hold become '?', as the system's converter does.
unsigned char fromUnicode(QChar ch);
QByteArray encode(QStringView text);

// True when every character has a byte of its own in the code page (so a
// round trip gives the text back, instead of '?').
bool canEncode(QChar ch);

} // namespace zentari::cp1251

namespace zentari {

// Why a value cannot go into a list or INI line, or the empty text when it can:
// a line break would split the line (and put parallel lists out of step), a
// NUL would cut it, and a character outside Windows-1251 would come back as
// '?'. The message is Russian and names the character.
QString storableValueProblem(QStringView value);
// Throws Error with that message when the value cannot be stored.
void requireStorableValue(QStringView value);

} // namespace zentari

namespace zentari::cp1251 {

} // namespace zentari::cp1251
