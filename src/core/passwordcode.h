#pragma once

#include <QString>

namespace zentari {

// The stored form of a password: each Windows-1251 byte taken as a signed
// number, plus the text's length, in decimal, each followed by one space.
// "abc" gives "100 101 102 "; the empty text gives the empty text.
QString encodePassword(const QString& typed);

// Whether the typed text is the password stored as `stored`. A stored form
// without its last space also counts: whoever wrote it by hand cannot see it.
bool passwordMatches(const QString& typed, const QString& stored);

} // namespace zentari
