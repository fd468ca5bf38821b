#include "protection.h"

#include "platform/cp1251.h"
#include "platform/error.h"
#include "platform/inifile.h"
#include "windows/passwordcode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace zentari::conf {

namespace {
const QString kSection = QStringLiteral("Software\\Zentari");
}

bool PkexecRunner::run(const QString& program, const QStringList& arguments,
                       const QByteArray& input, QString* error)
{
    QProcess process;
    process.start(QStringLiteral("pkexec"), QStringList{program} + arguments);
    if (!process.waitForStarted(10000)) {
        *error = QStringLiteral("Не удалось запустить pkexec (пакет polkit): %1.")
                     .arg(process.errorString());
        return false;
    }
    process.write(input);
    process.closeWriteChannel();
    // The administrator may take a while to type the password.
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        // pkexec's own statuses: 126 the dialog was dismissed, 127 not authorised.
        if (process.exitCode() == 126 || process.exitCode() == 127)
            *error = QStringLiteral("Права администратора не получены; защита не изменена.");
        else
            *error = said.isEmpty()
                         ? QStringLiteral("Запись не удалась (код %1).").arg(process.exitCode())
                         : said;
        return false;
    }
    return true;
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

void writeProtectionFile(const QString& storePath, const QString& use, const QString& pas)
{
    requireStorableValue(use);
    requireStorableValue(pas);
    const QString folder = QFileInfo(storePath).absolutePath();
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder))
            throw Error(QStringLiteral("Не удалось создать папку «%1».").arg(folder));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                          QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther);
    }
    IniFile store(storePath);
    store.writeSection(kSection, {{QStringLiteral("USE"), use}, {QStringLiteral("PAS"), pas}});
    // Every user's clock reads the store, whatever umask the administrator's
    // helper ran with; only its owner writes it.
    QFile::setPermissions(storePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ReadGroup | QFileDevice::ReadOther);
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

void saveProtection(const QString& storePath, const QString& use, const QString& pas,
                    PrivilegedRunner& runner, const QString& confExecutable)
{
    saveProtection(storePath, use, pas, runner, confExecutable, canWriteStore(storePath));
}

void saveProtection(const QString& storePath, const QString& use, const QString& pas,
                    PrivilegedRunner& runner, const QString& confExecutable, bool writable)
{
    if (writable) {
        writeProtectionFile(storePath, use, pas);
        return;
    }
    requireStorableValue(use);
    requireStorableValue(pas);
    QString error;
    const QByteArray input = cp1251::encode(use) + '\n' + cp1251::encode(pas) + '\n';
    if (!runner.run(confExecutable, {QString::fromLatin1(kWriteProtectionArgument)}, input, &error))
        throw Error(error);
}

int runWriteProtection(const QByteArray& input, const QString& storePath, QString* error)
{
    // Two lines exactly; the password's trailing space belongs to it.
    QList<QByteArray> lines = input.split('\n');
    if (lines.size() < 2) {
        *error = QStringLiteral("Ожидались две строки: USE и PAS.");
        return 2;
    }
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    try {
        writeProtectionFile(storePath, cp1251::decode(lines[0]), cp1251::decode(lines[1]));
    } catch (const Error& e) {
        *error = e.message();
        return 3;
    }
    return 0;
}

} // namespace zentari::conf
