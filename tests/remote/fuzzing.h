#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <string>

// What the fuzz tests share: readable inputs for failure messages, Russian
// messages told from others, random texts, and a watch on the sizes
// allocated.
namespace zentari::test {

// Arguments as a failure message shows them: each quoted, control characters
// escaped, huge ones cut.
inline std::string describe(const QStringList& arguments)
{
    std::string out;
    for (const QString& argument : arguments) {
        QString shown = argument.left(80);
        if (argument.size() > 80)
            shown += QStringLiteral("…(%1 chars)").arg(argument.size());
        shown.replace(QChar(u'\0'), QStringLiteral("\\0"))
            .replace(u'\n', QStringLiteral("\\n"))
            .replace(u'\r', QStringLiteral("\\r"))
            .replace(u'\t', QStringLiteral("\\t"));
        out += '"' + shown.toStdString() + "\" ";
    }
    return out;
}

inline bool hasCyrillic(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF)
            return true;
    }
    return false;
}

// A short text of anything UTF-16 holds: Cyrillic, emoji, controls, NUL,
// and, when `wellFormed` is false, lone surrogates.
inline QString randomText(QRandomGenerator& random, int maxLength, bool wellFormed = false)
{
    QString out;
    for (int n = int(random.bounded(maxLength + 1)); n > 0; --n) {
        switch (random.bounded(6)) {
        case 0:
            out += QChar(char16_t(0x0410 + random.bounded(0x40))); // А..я
            break;
        case 1:
            out += QChar(char16_t(random.bounded(0x20))); // controls, NUL among them
            break;
        case 2:
            out += QString::fromUcs4(U"😀🇷🇺\u0301\u200b\ufeff" + random.bounded(6), 1);
            break;
        case 3:
            if (!wellFormed) {
                out += QChar(char16_t(0xD800 + random.bounded(0x800)));
                break;
            }
            [[fallthrough]];
        default:
            out += QChar(char16_t(0x20 + random.bounded(0x5f)));
        }
    }
    return out;
}

// The largest single block asked of malloc, calloc or realloc (and so of
// new and of Qt's containers) while a watch lives: a reader that allocates
// for a length it was told shows here even when the allocation fails.
// allocationwatch.cpp puts itself in front of the C library's allocator.
class AllocationWatch
{
public:
    AllocationWatch();
    ~AllocationWatch();
    AllocationWatch(const AllocationWatch&) = delete;
    AllocationWatch& operator=(const AllocationWatch&) = delete;

    std::size_t largest() const;
    // False where the allocator cannot be watched (another C library).
    static bool available();
};

} // namespace zentari::test
