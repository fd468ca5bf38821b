#include "conversions.h"

#include "error.h"

#include <QHash>
#include <limits>

namespace zentari::conv {
namespace {

[[noreturn]] void notAnInteger(const QString& text)
{
    throw ConvertError(QStringLiteral("«%1» — недопустимое целое число").arg(text));
}

} // namespace

int strToInt(const QString& text)
{
    QStringView t(text);
    while (!t.isEmpty() && (t.front() == u' ' || t.front() == u'\t'))
        t = t.mid(1);
    bool negative = false;
    if (!t.isEmpty() && (t.front() == u'-' || t.front() == u'+')) {
        negative = t.front() == u'-';
        t = t.mid(1);
    }
    int base = 10;
    if (!t.isEmpty() && t.front() == u'$') {
        base = 16;
        t = t.mid(1);
    }
    if (t.isEmpty())
        notAnInteger(text);
    qint64 value = 0;
    for (QChar c : t) {
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c.unicode() - u'0';
        else if (base == 16 && c.toLower() >= u'a' && c.toLower() <= u'f')
            digit = c.toLower().unicode() - u'a' + 10;
        if (digit < 0)
            notAnInteger(text);
        value = value * base + digit;
        if (value > qint64(std::numeric_limits<unsigned int>::max()))
            notAnInteger(text);
    }
    if (base == 16 && !negative)
        return static_cast<int>(static_cast<unsigned int>(value)); // "$FFFFFFFF" is -1
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        notAnInteger(text);
    return static_cast<int>(value);
}

QString intToStr(int value)
{
    return QString::number(value);
}

unsigned int stringToColor(const QString& text)
{
    static const QHash<QString, unsigned int> names = {
        {QStringLiteral("clblack"), 0x000000},      {QStringLiteral("clmaroon"), 0x000080},
        {QStringLiteral("clgreen"), 0x008000},      {QStringLiteral("clolive"), 0x008080},
        {QStringLiteral("clnavy"), 0x800000},       {QStringLiteral("clpurple"), 0x800080},
        {QStringLiteral("clteal"), 0x808000},       {QStringLiteral("clgray"), 0x808080},
        {QStringLiteral("clsilver"), 0xC0C0C0},     {QStringLiteral("clred"), 0x0000FF},
        {QStringLiteral("cllime"), 0x00FF00},       {QStringLiteral("clyellow"), 0x00FFFF},
        {QStringLiteral("clblue"), 0xFF0000},       {QStringLiteral("clfuchsia"), 0xFF00FF},
        {QStringLiteral("claqua"), 0xFFFF00},       {QStringLiteral("clwhite"), 0xFFFFFF},
        {QStringLiteral("clltgray"), 0xC0C0C0},     {QStringLiteral("cldkgray"), 0x808080},
        {QStringLiteral("clmoneygreen"), 0xC0DCC0}, {QStringLiteral("clskyblue"), 0xF0CAA6},
        {QStringLiteral("clcream"), 0xF0FBFF},      {QStringLiteral("clmedgray"), 0xA4A0A0},
    };
    const auto it = names.constFind(text.trimmed().toLower());
    if (it != names.constEnd())
        return *it;
    try {
        return static_cast<unsigned int>(strToInt(text)) & 0xFFFFFFu;
    } catch (const ConvertError&) {
        throw ConvertError(QStringLiteral("«%1» — недопустимый цвет").arg(text));
    }
}

} // namespace zentari::conv
