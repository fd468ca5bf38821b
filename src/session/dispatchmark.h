#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace zentari {

class ErrorReport;

// The last second the clock dispatched, kept in data/lastsecond.txt so that a
// later start knows from when on it owes the missed events. One line: the
// local date and time as the clock shows them ("08.12.2026 7:30:00"), a tab,
// and the seconds since the epoch, which alone is read back. Written through a
// temporary file, and seldom: at most once a minute as the seconds pass, and
// at once when asked (before sleep, at exit, after something was performed).
class DispatchMark
{
public:
    static constexpr int kWriteEverySeconds = 60;

    explicit DispatchMark(const QString& programDir);

    const QString& path() const { return m_path; }

    // The stored second; nullopt when there is none or it cannot be read.
    std::optional<QDateTime> read() const;

    // A second has been dispatched (cheap: nothing is written).
    void note(const QDateTime& second);
    // Writes the noted second when the stored one is a minute or more away
    // from it (or nothing was written yet by this run).
    void saveIfDue(ErrorReport& report);
    // Writes the noted second unless it is stored already.
    void save(ErrorReport& report);

private:
    void write(ErrorReport& report);

    QString m_path;
    std::optional<QDateTime> m_noted;
    std::optional<qint64> m_written;
};

} // namespace zentari
