#include "soundfiles.h"

#include <QDataStream>
#include <QFile>

#include <cmath>
#include <numbers>

namespace zentari::test {

void writeToneWav(const QString& path, int durationMs, int frequencyHz)
{
    constexpr quint32 rate = 22050;
    const quint32 frames = rate * quint32(durationMs) / 1000;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + frames * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << rate * 2 << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(frames * 2);
    for (quint32 i = 0; i < frames; ++i)
        out << qint16(8000 * std::sin(2 * std::numbers::pi * frequencyHz * i / rate));
}

void writeShortMidi(const QString& path)
{
    // 96 ticks a quarter at the default 120 bpm: the note lasts 0.25 s.
    static const unsigned char midi[] = {
        'M',  'T',  'h',  'd',  0, 0, 0, 6,  0, 0, 0, 1, 0, 96, // header
        'M',  'T',  'r',  'k',  0, 0, 0, 12,                    // track
        0x00, 0x90, 60,   100,                                  // note on
        0x30, 0x80, 60,   0,                                    // note off
        0x00, 0xFF, 0x2F, 0x00,                                 // end of track
    };
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(reinterpret_cast<const char*>(midi), sizeof midi);
}

} // namespace zentari::test
