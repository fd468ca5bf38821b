#include "clockstart.h"

namespace zentari::conf {

HandOver handOverTo(const QString& programDir, std::chrono::milliseconds wait,
                    const QString& runtimeDir)
{
    return [programDir, wait, runtimeDir](const QStringList& arguments) {
        SingleInstance::Answer answer;
        return SingleInstance(programDir, runtimeDir).handOver(arguments, wait, answer);
    };
}

ClockAfterConf startOrReloadClock(const QString& programDir, ShellLauncher& shell,
                                  const HandOver& handOver)
{
    switch (handOver({QStringLiteral("--reload-options")})) {
    case SingleInstance::Delivery::Answered:
        // Whatever it answered: a clock that cannot reload still runs, and
        // starting another would only show it.
        return ClockAfterConf::Reloaded;
    case SingleInstance::Delivery::NoAnswer:
        // It may yet carry the request out; a start would wait on the same clock.
        return ClockAfterConf::NoAnswer;
    case SingleInstance::Delivery::NotDelivered:
        break;
    }
    // None runs, or one is just ending: a plain start waits for it to go.
    shell.open(programDir + QStringLiteral("Zentari"), QString(), programDir);
    return ClockAfterConf::Started;
}

} // namespace zentari::conf
