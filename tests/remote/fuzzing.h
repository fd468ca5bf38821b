#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

// What the fuzz tests share: readable inputs for failure messages, Russian
// messages told from others, random texts, and a cap on the address space
// under which an allocation for a length nobody sent fails at once.
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

// Lowers the soft limit of the address space to what the process uses now
// plus `headroom` for as long as it lives, so that allocating for an absurd
// length fails instead of succeeding on a machine with memory to spare.
class AddressSpaceCap
{
public:
    explicit AddressSpaceCap(rlim_t headroom)
    {
        m_active = getrlimit(RLIMIT_AS, &m_saved) == 0;
        if (!m_active)
            return;
        rlimit cap = m_saved;
        const rlim_t wanted = inUse() + headroom;
        if (cap.rlim_max == RLIM_INFINITY || wanted < cap.rlim_max)
            cap.rlim_cur = wanted;
        m_active = setrlimit(RLIMIT_AS, &cap) == 0;
    }
    ~AddressSpaceCap()
    {
        if (m_active)
            setrlimit(RLIMIT_AS, &m_saved);
    }
    AddressSpaceCap(const AddressSpaceCap&) = delete;
    AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

    bool active() const { return m_active; }

private:
    // The process's mapped bytes, from /proc/self/statm (in pages).
    static rlim_t inUse()
    {
        unsigned long pages = 0;
        if (FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%lu", &pages) != 1)
                pages = 0;
            std::fclose(f);
        }
        return rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE));
    }

    rlimit m_saved{};
    bool m_active = false;
};

} // namespace zentari::test
