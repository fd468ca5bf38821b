#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QTemporaryDir>
#include <QVariantList>
#include <functional>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Tests of the D-Bus back ends talk to python3-dbusmock stand-ins on two
// private dbus-daemons of the test process, as its system and session buses:
// the machine's real buses are never touched.
namespace zentari::test {

class PrivateBus
{
public:
    bool start();
    ~PrivateBus();

    QString address;

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

struct MockCall
{
    QString method;
    QVariantList args;
};

// The calls a mock object has answered, from dbusmock's own log.
QList<MockCall> mockCalls(QDBusConnection bus, const QString& service, const QString& path);
QStringList methods(const QList<MockCall>& calls);

// Lets the event loop run until `done` holds or timeoutMs passed; its last answer.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

class PrivateBusTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static QDBusConnection systemBus() { return QDBusConnection::systemBus(); }
    static QDBusConnection sessionBus() { return QDBusConnection::sessionBus(); }

    // Starts dbusmock with a template (a file, or the name of one of its own)
    // and waits until it owns `name` on `bus`.
    void startMock(const QString& dbusmockTemplate, const QString& name, QDBusConnection bus,
                   const QString& parameters = QStringLiteral("{}"));
    void stopMocks();

    static inline std::unique_ptr<PrivateBus> s_system;
    static inline std::unique_ptr<PrivateBus> s_session;
    static inline bool s_ready = false;

private:
    struct Mock
    {
        std::unique_ptr<QProcess> process;
        QDBusConnection bus;
        QString name;
    };
    std::vector<Mock> m_mocks;
};

} // namespace zentari::test
