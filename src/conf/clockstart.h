#pragma once

#include "platform/services.h"
#include "platform/singleinstance.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

namespace zentari::conf {

// Hands arguments to the program folder's running clock and tells how far they got.
using HandOver = std::function<SingleInstance::Delivery(const QStringList& arguments)>;

// Long enough for a clock busy repainting, short enough that closing this
// window never feels stuck.
inline constexpr std::chrono::milliseconds kHandOverWait{2000};

// To the clock of programDir, through the user's runtime folder (or runtimeDir).
HandOver handOverTo(const QString& programDir, std::chrono::milliseconds wait = kHandOverWait,
                    const QString& runtimeDir = {});

enum class ClockAfterConf
{
    Started,  // none ran: the clock was started
    Reloaded, // the running clock took the options saved
    NoAnswer, // one holds the folder but did not answer: left alone
};

// What leaving this window does to the folder's clock. A running clock only
// re-reads the options (a second start would merely be handed over and show
// it, the saved border and picture unseen); otherwise the clock is started
// as its own menu starts this window: by name, from the program folder.
ClockAfterConf startOrReloadClock(const QString& programDir, ShellLauncher& shell,
                                  const HandOver& handOver);

} // namespace zentari::conf
