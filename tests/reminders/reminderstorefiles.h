#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>

#include "support/programdir.h"

namespace zentari::test {

// The day and time the reminder store tests store their reminders at.
inline const QDate kDay(2005, 1, 25);
inline const QTime kTime(10, 30);

// One line of a list file: Windows-1251 with CR LF.
QByteArray crlf(const QString& line);

// Every file of the store, byte for byte, and whether an intent record is left.
QByteArray storeFiles(const ProgramDir& dir);

// Runs `body` in a child process; its exit status (12 when it ran out of
// memory, 13 for any other exception), or -1 when it had not ended by the
// deadline (it is killed then).
int inChild(const std::function<int()>& body, int seconds);

// The lists of one reminder each, as a user's store holds them.
void writeStore(const ProgramDir& dir, const QStringList& titles);

} // namespace zentari::test
