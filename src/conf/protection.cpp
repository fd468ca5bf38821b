#include "protection.h"

#include "core/cp1251.h"
#include "core/error.h"
#include "core/passwordcode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QXmlStreamReader>

namespace zentari::conf {

namespace {

// Owned by root and writable by nobody else: a file only an administrator
// (or the package manager) can replace.
bool onlyRootCanChange(const QFileInfo& info)
{
    return info.exists() && info.ownerId() == 0 &&
           !(info.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther));
}

// The program polkit's action lets pkexec run, or the empty text.
QString policyExecPath(const QString& policyFile)
{
    QFile file(policyFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    bool inAction = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"action")
            inAction =
                xml.attributes().value(QStringLiteral("id")) == QLatin1StringView(kPolkitAction);
        else if (xml.isEndElement() && xml.name() == u"action")
            inAction = false;
        else if (inAction && xml.isStartElement() && xml.name() == u"annotate" &&
                 xml.attributes().value(QStringLiteral("key")) ==
                     u"org.freedesktop.policykit.exec.path")
            return xml.readElementText().trimmed();
    }
    return {};
}

} // namespace

PkexecRunner::PkexecRunner(QString pkexec)
    : m_pkexec(std::move(pkexec)), m_processes(std::make_unique<QObject>())
{
}

PkexecRunner::~PkexecRunner() = default;

void PkexecRunner::start(const QString& program, const QStringList& arguments,
                         const QByteArray& input, Done done)
{
    auto* process = new QProcess(m_processes.get());
    // Reported once: a crash gives both an error and a finish.
    auto finish = [process, done = std::move(done),
                   reported = false](const QString& error) mutable {
        if (std::exchange(reported, true))
            return;
        process->deleteLater();
        done(error);
    };
    auto report = std::make_shared<decltype(finish)>(std::move(finish));
    QObject::connect(process, &QProcess::started, process, [process, input] {
        process->write(input);
        process->closeWriteChannel();
    });
    QObject::connect(
        process, &QProcess::errorOccurred, process, [process, report](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart)
                (*report)(QStringLiteral("Не удалось запустить pkexec (пакет pkexec): %1.")
                              .arg(process->errorString()));
        });
    QObject::connect(
        process, &QProcess::finished, process,
        [process, report](int code, QProcess::ExitStatus status) {
            if (status == QProcess::NormalExit && code == 0) {
                (*report)(QString());
                return;
            }
            // pkexec's own statuses: 126 the dialog was dismissed, 127 not authorised.
            if (status == QProcess::NormalExit && (code == 126 || code == 127)) {
                (*report)(QStringLiteral("Права администратора не получены; защита не изменена."));
                return;
            }
            const QString said = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
            (*report)(said.isEmpty() ? QStringLiteral("Запись не удалась (код %1).").arg(code)
                                     : said);
        });
    process->start(m_pkexec, QStringList{program} + arguments);
}

QString defaultPolicyFile()
{
    return QStringLiteral("/usr/share/polkit-1/actions/org.zentari.conf.policy");
}

QString installedPrivilegedWriter(const QString& executableDir, const QString& policyFile)
{
    const QFileInfo conf(QDir(executableDir).filePath(QStringLiteral("conf")));
    const QString canonical = conf.canonicalFilePath();
    if (canonical.isEmpty() || policyExecPath(policyFile) != canonical)
        return {};
    if (!onlyRootCanChange(QFileInfo(canonical)) ||
        !onlyRootCanChange(QFileInfo(QFileInfo(canonical).absolutePath())))
        return {};
    return canonical;
}

ProtectionValues protectionValues(bool on, const QString& typed, const QString& typedAgain,
                                  const QString& currentPas)
{
    if (typed != typedAgain)
        throw Error(QStringLiteral("Пароли не совпадают. Введите один и тот же пароль дважды."));
    QString pas = currentPas;
    if (!typed.isEmpty()) {
        // The clock compares Windows-1251 bytes: a character without one could never be typed back.
        if (const QString problem = storableValueProblem(typed); !problem.isEmpty())
            throw Error(QStringLiteral("Такой пароль нельзя сохранить: %1").arg(problem));
        pas = encodePassword(typed);
    }
    if (on && pas.isEmpty())
        throw Error(QStringLiteral("Чтобы включить защиту, задайте пароль."));
    return {on ? QStringLiteral("1") : QStringLiteral("0"), pas};
}

bool canWriteStore(const QString& storePath)
{
    const QFileInfo file(storePath);
    if (file.exists())
        return file.isWritable() && QFileInfo(file.absolutePath()).isWritable();
    // The nearest folder that exists decides whether the missing ones can be made.
    QDir dir = file.absoluteDir();
    while (!dir.exists() && !dir.isRoot())
        dir.setPath(QFileInfo(dir.absolutePath()).absolutePath());
    return QFileInfo(dir.absolutePath()).isWritable();
}

QString administratorOnlyMessage(const QString& storePath)
{
    return QStringLiteral(
               "Защиту паролем для всех пользователей этого компьютера задаёт администратор: "
               "в установленной программе («zentari-conf», вкладка «Защита и запуск») или "
               "правкой файла «%1» (как — описано в README). Эта копия программы не "
               "установлена, поэтому права администратора она не запрашивает.")
        .arg(storePath);
}

SaveStart saveProtection(const QString& storePath, const ProtectionValues& values, bool writable,
                         PrivilegedRunner& runner, const QString& privilegedWriter,
                         PrivilegedRunner::Done done)
{
    if (writable) {
        writeProtectionFile(storePath, values.use, values.pas);
        return SaveStart::Written;
    }
    if (const QString problem = protectionValuesProblem(values.use, values.pas); !problem.isEmpty())
        throw Error(problem);
    if (privilegedWriter.isEmpty())
        throw Error(administratorOnlyMessage(storePath));
    // On standard input: a command line is readable by every user.
    const QByteArray input = cp1251::encode(values.use) + '\n' + cp1251::encode(values.pas) + '\n';
    runner.start(privilegedWriter, {QString::fromLatin1(kWriteProtectionArgument)}, input,
                 std::move(done));
    return SaveStart::Asking;
}

} // namespace zentari::conf
