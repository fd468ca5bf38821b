#pragma once

#include "platform/services.h"

#include <QDBusConnection>
#include <optional>

namespace zentari {

// Power operations through systemd-logind on the system bus, and log-off through
// the desktop's session manager on the session bus. Shutdown and reboot are
// scheduled in logind, so they happen even if the clock is closed meanwhile.
// Every call gives up after a few seconds: the clock must never hang on D-Bus.
class LogindPower : public PowerService
{
public:
    // On the process's system and session buses, connected at the first call.
    LogindPower() = default;
    LogindPower(QDBusConnection system, QDBusConnection session);

    bool scheduleShutdown(PowerAction action, int delaySeconds, const QString& message) override;
    void logOff() override;
    void cancelShutdown() override;

    static constexpr int callTimeoutMs = 2500;

private:
    void terminateSession();
    QDBusConnection systemBus() const;
    QDBusConnection sessionBus() const;

    std::optional<QDBusConnection> m_system;
    std::optional<QDBusConnection> m_session;
};

} // namespace zentari
