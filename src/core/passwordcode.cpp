#include "passwordcode.h"

#include "core/cp1251.h"

namespace zentari {

QString encodePassword(const QString& typed)
{
    const QByteArray bytes = cp1251::encode(typed);
    const int length = int(bytes.size());
    QString out;
    for (char byte : bytes) {
        out += QString::number(int(static_cast<signed char>(byte)) + length);
        out += u' ';
    }
    return out;
}

bool passwordMatches(const QString& typed, const QString& stored)
{
    const QString encoded = encodePassword(typed);
    return encoded == stored || (!stored.isEmpty() && encoded == stored + u' ');
}

} // namespace zentari
