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
inline QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }

// Characters the code page cannot hold become '?', as the system's converter does.
unsigned char fromUnicode(QChar ch);
QByteArray encode(QStringView text);

} // namespace zentari::cp1251
