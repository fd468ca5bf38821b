#include "closeguard.h"

#include "app/clockwindow.h"
#include "app/clockwindows.h"
#include "session/clocksession.h"
#include "windows/passwordgate.h"

namespace zentari {

CloseGuard::CloseGuard(TForm1& clock, ClockSession& session, ClockWindows& windows,
                       const Services& services, QString programDir)
    : m_clock(clock), m_session(session), m_windows(windows), m_services(services),
      m_programDir(std::move(programDir))
{
}

bool CloseGuard::protectionOn() const
{
    return m_services.machine->readString(QStringLiteral("USE")) == u"1";
}

void CloseGuard::passwordGate(int command)
{
    m_pendingCommand = command;
    m_windows.passwordWindow().exec(); // it carries the command out after the right password
}

void CloseGuard::forbiddenCloseRestart()
{
    m_services.messages->show(QStringLiteral("А так делать нельзя!"), QStringLiteral("<(:-Р"),
                              MessageIcon::None);
    if (m_restarted)
        return;
    m_restarted = true;
    if (m_beforeRestart)
        m_beforeRestart();
    m_services.shell->restart(m_programDir + QStringLiteral("Zentari"));
}

void CloseGuard::closing()
{
    if (m_session.exitAllowed() != 1)
        forbiddenCloseRestart();
}

void CloseGuard::destroying()
{
    if (protectionOn() && m_session.exitAllowed() == 0)
        forbiddenCloseRestart();
}

void CloseGuard::showMainWindow()
{
    m_clock.showMainWindow();
}

void CloseGuard::closeClock()
{
    m_clock.close();
}

void CloseGuard::showSettings()
{
    m_windows.showSettings();
}

void CloseGuard::abortShutdown()
{
    m_clock.abortShutdown();
}

void CloseGuard::setExitAllowed(int allowed)
{
    m_session.setExitAllowed(allowed);
}

} // namespace zentari
