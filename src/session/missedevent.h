#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace zentari {

// Something that fell due while the clock could not act (the machine slept or
// was off, the clock did not run, the wall clock jumped) and was not
// performed: what the window "Пропущенные события" lists.
struct MissedEvent
{
    QDateTime due; // the second it fell due, local time
    QString what; // as the user knows it: "Выключение компьютера", a file, a reminder's title
    QString why; // why it was not performed, in Russian
    bool operator==(const MissedEvent&) const = default;
};

} // namespace zentari
