#pragma once

#include <QString>

namespace zentari::test {

// Small sound files made on the spot, so the tests need no shipped media.
void writeToneWav(const QString& path, int durationMs, int frequencyHz = 440);
// One quarter-second note, as a format-0 standard MIDI file.
void writeShortMidi(const QString& path);

} // namespace zentari::test
