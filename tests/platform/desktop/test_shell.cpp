#include "platform/shell_linux.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <gtest/gtest.h>

using namespace zentari;

namespace {

// Stands in for the desktop's default applications: no xdg-open in tests.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

class DesktopShellTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* scheme : {"file", "http", "https", "mailto"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_catcher, "open");
        ASSERT_TRUE(m_work.isValid() && m_bin.isValid());
    }
    void TearDown() override
    {
        for (const char* scheme : {"file", "http", "https", "mailto"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

    // A program that writes its working folder and arguments, one a line.
    QString makeProgram(const QString& name, bool executable = true) const
    {
        const QString out = m_work.filePath(QStringLiteral("out.txt"));
        const QString path = m_bin.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n{ pwd; printf '%s\\n' \"$@\"; } > '" + out.toUtf8() +
                   ".tmp'\n"
                   "mv '" +
                   out.toUtf8() + ".tmp' '" + out.toUtf8() + "'\n");
        file.close();
        if (executable)
            file.setPermissions(file.permissions() | QFile::ExeOwner);
        return path;
    }

    // What the program wrote, once it has run.
    QStringList programOutput() const
    {
        QFile file(m_work.filePath(QStringLiteral("out.txt")));
        QDeadlineTimer deadline(20000);
        while (!file.exists() && !deadline.hasExpired())
            QThread::msleep(20);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    UrlCatcher m_catcher;
    QTemporaryDir m_work;
    QTemporaryDir m_bin;
    DesktopShell m_shell;
};

} // namespace

TEST_F(DesktopShellTest, ExecutableStartsItselfWithSplitParametersInTheDirectory)
{
    const QString program = makeProgram(QStringLiteral("tool"));
    m_shell.open(program, QStringLiteral("one \"two words\" three"), m_work.path());
    EXPECT_EQ(programOutput(), QStringList({m_work.path(), QStringLiteral("one"),
                                            QStringLiteral("two words"), QStringLiteral("three")}));
    EXPECT_TRUE(m_catcher.urls.isEmpty());
}

TEST_F(DesktopShellTest, RelativeExecutableIsFoundInTheDirectory)
{
    makeProgram(QStringLiteral("conf"));
    m_shell.open(QStringLiteral("conf"), QString(), m_bin.path());
    EXPECT_EQ(programOutput(), QStringList({m_bin.path()}));
}

TEST_F(DesktopShellTest, RestartRunsInTheExecutablesFolder)
{
    m_shell.restart(makeProgram(QStringLiteral("Zentari")));
    EXPECT_EQ(programOutput(), QStringList({m_bin.path()}));
}

TEST_F(DesktopShellTest, DocumentGoesToTheDefaultApplication)
{
    const QString document = makeProgram(QStringLiteral("notes.txt"), false);
    m_shell.open(document, QString(), QString());
    ASSERT_EQ(m_catcher.urls.size(), 1);
    EXPECT_EQ(m_catcher.urls.first(), QUrl::fromLocalFile(document));
}

TEST_F(DesktopShellTest, ExecutableMarkedDocumentOpensWhenItCannotRun)
{
    const QString document = m_bin.filePath(QStringLiteral("music.mp3"));
    QFile file(document);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(64, '\x7f'));
    file.close();
    file.setPermissions(file.permissions() | QFile::ExeOwner);
    m_shell.open(document, QString(), QString());
    ASSERT_EQ(m_catcher.urls.size(), 1);
    EXPECT_EQ(m_catcher.urls.first(), QUrl::fromLocalFile(document));
}

TEST_F(DesktopShellTest, FolderOpensRatherThanRuns)
{
    m_shell.open(m_work.path(), QString(), QString());
    ASSERT_EQ(m_catcher.urls.size(), 1);
    EXPECT_EQ(m_catcher.urls.first(), QUrl::fromLocalFile(m_work.path()));
}

TEST_F(DesktopShellTest, WebAndMailAddressesGoToTheirApplications)
{
    m_shell.open(QStringLiteral("https://example.org/zentari?x=1"), QString(), QString());
    m_shell.open(QStringLiteral("mailto:user@example.org"), QString(), QString());
    EXPECT_EQ(m_catcher.urls, QList<QUrl>({QUrl(QStringLiteral("https://example.org/zentari?x=1")),
                                           QUrl(QStringLiteral("mailto:user@example.org"))}));
}

TEST_F(DesktopShellTest, MissingProgramFailsSilently)
{
    m_shell.open(m_bin.filePath(QStringLiteral("nothing-here.exe")), QString(), QString());
    m_shell.open(QStringLiteral("zentari-no-such-program"), QString(), QString());
    m_shell.restart(m_bin.filePath(QStringLiteral("Zentari.exe")));
    EXPECT_TRUE(m_catcher.urls.isEmpty());
}

#include "test_shell.moc"
