#include "commandline.h"

#include "confoptions.h"
#include "core/error.h"
#include "core/paths.h"

#include <QDir>
#include <QFileInfo>

namespace zentari::conf {

namespace {

QString usage(const QString& command)
{
    return QStringLiteral(
               "Использование: %1 [--dir ПАПКА] КОМАНДА\n"
               "Без команды открывается окно «Особые настройки часов».\n"
               "  --list                 все настройки: раздел, ключ, значение, по умолчанию "
               "(через табуляцию)\n"
               "  --get КЛЮЧ             значение, которое возьмут часы\n"
               "  --set КЛЮЧ=ЗНАЧЕНИЕ …  записать значения (все или ни одного)\n"
               "  --unset КЛЮЧ …         удалить ключи, чтобы действовали значения по умолчанию\n"
               "  --check                проверить conf.ini (код выхода 1, если есть ошибки)\n"
               "  --dir ПАПКА            папка программы с conf.ini (по умолчанию — своя)\n"
               "Коды выхода: 0 — успех, 1 — найдены ошибки, 2 — неверная команда, ключ или "
               "значение,\n"
               "3 — conf.ini не удалось прочитать или записать.\n")
        .arg(command);
}

const Option* optionOrComplain(const QString& name, QTextStream& err, const QString& command)
{
    const Option* option = findOption(name);
    if (!option)
        err << QStringLiteral("Неизвестный ключ «%1». Список ключей: %2 --list\n")
                   .arg(name, command);
    return option;
}

} // namespace

bool wantsCommandLine(const QStringList& arguments)
{
    for (const QString& a : arguments) {
        if (a.startsWith(u"--") || a == u"-h")
            return true;
    }
    return false;
}

int runCommandLine(const QStringList& arguments, const QString& programDir, QTextStream& out,
                   QTextStream& err, const QString& command,
                   const std::function<void(const QString& dir)>& optionsChanged)
{
    QString dir = programDir;
    QString verb;
    QStringList operands;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == u"--dir" || a.startsWith(u"--dir=")) {
            QString value;
            if (a == u"--dir") {
                if (++i >= arguments.size()) {
                    err << QStringLiteral("После --dir нужна папка.\n");
                    return BadUsage;
                }
                value = arguments[i];
            } else {
                value = a.mid(6);
            }
            if (!QFileInfo(value).isDir()) {
                err << QStringLiteral("Папки «%1» нет.\n").arg(value);
                return BadUsage;
            }
            // Its files are the package's: each user's settings live elsewhere.
            if (paths::isInstalledProgramDir(value)) {
                err << QStringLiteral("«%1» — папка установленной программы, её файлы не "
                                      "меняются. Настройки этого пользователя: «%2».\n")
                           .arg(value, paths::userProgramDir());
                return BadUsage;
            }
            dir = QDir(value).absolutePath() + u'/';
        } else if (a == u"--help" || a == u"-h") {
            out << usage(command);
            return Ok;
        } else if (a.startsWith(u"--")) {
            if (!verb.isEmpty()) {
                err << QStringLiteral("Одна команда за раз: %1 и %2.\n").arg(verb, a);
                return BadUsage;
            }
            verb = a;
        } else {
            operands.append(a);
        }
    }
    const QStringList verbs = {QStringLiteral("--list"), QStringLiteral("--get"),
                               QStringLiteral("--set"), QStringLiteral("--unset"),
                               QStringLiteral("--check")};
    if (!verbs.contains(verb)) {
        if (!verb.isEmpty())
            err << QStringLiteral("Неизвестная команда «%1».\n").arg(verb);
        err << usage(command);
        return BadUsage;
    }
    const bool takesOperands = verb == u"--get" || verb == u"--set" || verb == u"--unset";
    if (takesOperands == operands.isEmpty() || (verb == u"--get" && operands.size() != 1)) {
        err << QStringLiteral("Команде %1 %2.\n")
                   .arg(verb, verb == u"--get" ? QStringLiteral("нужен один ключ")
                              : takesOperands  ? QStringLiteral("нужны ключи")
                                              : QStringLiteral("не нужны параметры"));
        return BadUsage;
    }

    ConfigFile config(dir);
    // Without the file's values, the defaults would be printed as if they were them.
    if (verb == u"--list" || verb == u"--get") {
        if (const QString problem = config.readProblem(); !problem.isEmpty()) {
            err << problem << u'\n';
            return FileFailed;
        }
    }
    try {
        if (verb == u"--list") {
            for (const QString& line : config.listing())
                out << line << u'\n';
        } else if (verb == u"--get") {
            const Option* option = optionOrComplain(operands[0], err, command);
            if (!option)
                return BadUsage;
            out << config.value(*option) << u'\n';
        } else if (verb == u"--check") {
            const QStringList problems = config.check();
            for (const QString& p : problems)
                out << p << u'\n';
            if (config.readProblem().isEmpty()) {
                for (const QString& w : config.warnings())
                    out << QStringLiteral("Предупреждение: ") << w << u'\n';
            }
            return problems.isEmpty() ? Ok : ProblemsFound;
        } else if (verb == u"--set") {
            QList<std::pair<const Option*, QString>> values;
            for (const QString& operand : operands) {
                const qsizetype eq = operand.indexOf(u'=');
                if (eq < 0) {
                    err << QStringLiteral("«%1»: нужно КЛЮЧ=ЗНАЧЕНИЕ.\n").arg(operand);
                    return BadUsage;
                }
                const Option* option = optionOrComplain(operand.left(eq), err, command);
                if (!option)
                    return BadUsage;
                const QString value = operand.mid(eq + 1);
                if (const QString problem = valueProblem(*option, value); !problem.isEmpty()) {
                    err << QStringLiteral("%1: %2 Файл не изменён.\n")
                               .arg(option->key->name, problem);
                    return BadUsage;
                }
                values.append({option, value});
            }
            if (const QString problem = config.readProblem(); !problem.isEmpty()) {
                err << problem << u'\n';
                return FileFailed;
            }
            config.set(values);
            for (const auto& [option, value] : values) {
                if (const QString w = valueWarning(*option, value); !w.isEmpty())
                    err << QStringLiteral("Предупреждение: %1 (%2): %3\n")
                               .arg(option->key->name, option->label, w);
            }
        } else { // --unset
            QList<const Option*> options;
            for (const QString& operand : operands) {
                const Option* option = optionOrComplain(operand, err, command);
                if (!option)
                    return BadUsage;
                options.append(option);
            }
            for (const Option* option : options)
                config.unset(*option);
        }
        if (optionsChanged && (verb == u"--set" || verb == u"--unset"))
            optionsChanged(dir);
    } catch (const Error& e) {
        err << e.message() << u'\n';
        return FileFailed;
    }
    if (const QString problem = config.readProblem(); !problem.isEmpty() && verb != u"--set")
        err << problem << u'\n';
    return Ok;
}

} // namespace zentari::conf
