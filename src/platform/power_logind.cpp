#include "power_logind.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDateTime>

#include <unistd.h>

namespace zentari {

namespace {

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString login1Path = QStringLiteral("/org/freedesktop/login1");
const QString login1Manager = QStringLiteral("org.freedesktop.login1.Manager");

// One blocking call with the short timeout; the reply, or the error message.
QDBusMessage call(QDBusConnection bus, const QString& service, const QString& path,
                  const QString& interface, const QString& method, const QVariantList& args = {})
{
    if (!bus.isConnected())
        return QDBusMessage::createError(QDBusError::Disconnected, QString());
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    return bus.call(message, QDBus::Block, LogindPower::callTimeoutMs);
}

bool succeeded(const QDBusMessage& reply)
{
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

LogindPower::LogindPower(QDBusConnection system, QDBusConnection session)
    : m_system(std::move(system)), m_session(std::move(session))
{
}

QDBusConnection LogindPower::systemBus() const
{
    return m_system ? *m_system : QDBusConnection::systemBus();
}

QDBusConnection LogindPower::sessionBus() const
{
    return m_session ? *m_session : QDBusConnection::sessionBus();
}

bool LogindPower::scheduleShutdown(PowerAction action, int delaySeconds, const QString& message)
{
    // The wall message needs more rights than the shutdown itself on some
    // systems; without it logind still warns in its own words.
    call(systemBus(), login1, login1Path, login1Manager, QStringLiteral("SetWallMessage"),
         {message, true});

    const qint64 whenUs =
        (QDateTime::currentMSecsSinceEpoch() + qint64(delaySeconds) * 1000) * 1000;
    const QString type =
        action == PowerAction::Reboot ? QStringLiteral("reboot") : QStringLiteral("poweroff");
    return succeeded(call(systemBus(), login1, login1Path, login1Manager,
                          QStringLiteral("ScheduleShutdown"),
                          {type, QVariant::fromValue(quint64(whenUs))}));
}

void LogindPower::logOff()
{
    // Mode 1: no confirmation dialog, as the log-off is meant to happen at once.
    if (succeeded(call(sessionBus(), QStringLiteral("org.gnome.SessionManager"),
                       QStringLiteral("/org/gnome/SessionManager"),
                       QStringLiteral("org.gnome.SessionManager"), QStringLiteral("Logout"),
                       {quint32(1)})))
        return;
    if (succeeded(call(sessionBus(), QStringLiteral("org.kde.Shutdown"),
                       QStringLiteral("/Shutdown"), QStringLiteral("org.kde.Shutdown"),
                       QStringLiteral("logout"))))
        return;
    terminateSession();
}

void LogindPower::terminateSession()
{
    QDBusMessage reply = call(systemBus(), login1, login1Path, login1Manager,
                              QStringLiteral("GetSessionByPID"), {quint32(::getpid())});
    if (!succeeded(reply)) {
        const QString id = qEnvironmentVariable("XDG_SESSION_ID");
        if (id.isEmpty())
            return;
        reply = call(systemBus(), login1, login1Path, login1Manager, QStringLiteral("GetSession"),
                     {id});
    }
    const QString session = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (session.isEmpty())
        return;
    call(systemBus(), login1, session, QStringLiteral("org.freedesktop.login1.Session"),
         QStringLiteral("Terminate"));
}

void LogindPower::cancelShutdown()
{
    call(systemBus(), login1, login1Path, login1Manager, QStringLiteral("CancelScheduledShutdown"));
}

} // namespace zentari
