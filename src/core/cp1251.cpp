#include "cp1251.h"

#include "error.h"

#include <array>

namespace zentari::cp1251 {
namespace {

constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453,
    0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C,
    0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A,
    0x045A, 0x045C, 0x045B, 0x045F, // 98: unassigned, kept as U+0098
    0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, // B8
};

constexpr char16_t highChar(unsigned char b)
{
    return b >= 0xC0 ? char16_t(0x0410 + (b - 0xC0)) : kHigh[b - 0x80];
}

// Reverse lookup for the 128 upper bytes; built once, searched by a short scan
// only for characters outside Cyrillic's contiguous block.
unsigned char reverseLookup(char16_t u)
{
    if (u >= 0x0410 && u <= 0x044F)
        return static_cast<unsigned char>(0xC0 + (u - 0x0410));
    for (int i = 0; i < 64; ++i) {
        if (kHigh[i] == u)
            return static_cast<unsigned char>(0x80 + i);
    }
    return '?';
}

} // namespace

QChar toUnicode(unsigned char byte)
{
    return QChar(byte < 0x80 ? char16_t(byte) : highChar(byte));
}

QString decode(const char* data, qsizetype size)
{
    QString out(size, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        dst[i] = QChar(b < 0x80 ? char16_t(b) : highChar(b));
    }
    return out;
}

unsigned char fromUnicode(QChar ch)
{
    const char16_t u = ch.unicode();
    return u < 0x80 ? static_cast<unsigned char>(u) : reverseLookup(u);
}

QByteArray encode(QStringView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i)
        dst[i] = static_cast<char>(fromUnicode(text[i]));
    return out;
}

} // namespace zentari::cp1251

namespace zentari::cp1251 {

bool canEncode(QChar ch)
{
    const char16_t u = ch.unicode();
    return u < 0x80 || (u >= 0x0410 && u <= 0x044F) || reverseLookup(u) != '?';
}

} // namespace zentari::cp1251

namespace zentari {

QString storableValueProblem(QStringView value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\n' || c == u'\r')
            return QStringLiteral("Значение не может содержать перевод строки.");
        if (c == QChar(0))
            return QStringLiteral("Значение не может содержать нулевой символ.");
        if (cp1251::canEncode(c))
            continue;
        // A character outside the basic plane comes as a surrogate pair: name it whole.
        QString shown(c);
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            shown += value[i + 1];
            code = QChar::surrogateToUcs4(c, value[i + 1]);
        }
        return QStringLiteral("Символ «%1» (U+%2) нельзя сохранить: файлы программы хранят "
                              "только русские и латинские буквы, цифры и обычные знаки "
                              "(кодировка Windows-1251).")
            .arg(shown, QString::number(uint(code), 16).toUpper().rightJustified(4, u'0'));
    }
    return {};
}

void requireStorableValue(QStringView value)
{
    const QString problem = storableValueProblem(value);
    if (!problem.isEmpty())
        throw Error(problem);
}

} // namespace zentari
