#include "reminderstorefiles.h"

#include "core/cp1251.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <new>
#include <sys/wait.h>
#include <unistd.h>

namespace zentari::test {

QByteArray crlf(const QString& line)
{
    return cp1251::encode(line) + "\r\n";
}

QByteArray storeFiles(const ProgramDir& dir)
{
    QByteArray all;
    for (const char* list : {"Titles", "Messes", "Times", "Dates", "IDs"}) {
        const QString name = QStringLiteral("data/%1.zdt").arg(QLatin1String(list));
        all += name.toUtf8() + ':' + dir.read(name) + '\n';
    }
    const QDir messages(dir.file(QStringLiteral("data/messages")));
    for (const QString& name : messages.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        all += name.toUtf8() + ':' + dir.read(QStringLiteral("data/messages/") + name) + '\n';
    if (QFile::exists(dir.file(QStringLiteral("data/reminders.pending"))))
        all += "an intent record is left\n";
    return all;
}

int inChild(const std::function<int()>& body, int seconds)
{
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            ::_exit(body());
        } catch (const std::bad_alloc&) {
            ::_exit(12);
        } catch (...) {
            ::_exit(13);
        }
    }
    for (int waited = 0; waited < seconds * 100; ++waited) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        ::usleep(10'000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return -1;
}

void writeStore(const ProgramDir& dir, const QStringList& titles)
{
    QByteArray t, m, times, d, ids;
    for (const QString& title : titles) {
        const QString id = title + QStringLiteral("25.01.2005");
        t += crlf(title);
        m += crlf(dir.file(QStringLiteral("data/messages/") + id + QStringLiteral(".zdt")));
        times += "10:30:00\r\n";
        d += "25.01.2005\r\n";
        ids += crlf(id);
        dir.write(QStringLiteral("data/messages/") + id + QStringLiteral(".zdt"),
                  crlf(QStringLiteral("текст ") + title));
    }
    dir.write(QStringLiteral("data/Titles.zdt"), t);
    dir.write(QStringLiteral("data/Messes.zdt"), m);
    dir.write(QStringLiteral("data/Times.zdt"), times);
    dir.write(QStringLiteral("data/Dates.zdt"), d);
    dir.write(QStringLiteral("data/IDs.zdt"), ids);
}

} // namespace zentari::test
