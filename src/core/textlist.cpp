#include "textlist.h"

#include "atomicfile.h"
#include "cp1251.h"
#include "error.h"

#include <QFile>

namespace zentari::textlist {

QStringList split(const QByteArray& bytes)
{
    QStringList lines;
    const char* p = bytes.constData();
    const qsizetype n = bytes.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] != '\r' && p[i] != '\n')
            continue;
        lines.append(cp1251::decode(p + start, i - start));
        if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(cp1251::decode(p + start, n - start));
    return lines;
}

QByteArray join(const QStringList& lines)
{
    QByteArray out;
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    out.reserve(size);
    for (const QString& line : lines) {
        out += cp1251::encode(line);
        out += "\r\n";
    }
    return out;
}

qsizetype countLines(const QString& path)
{
    if (!QFile::exists(path))
        return 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(
            QStringLiteral("Не удалось открыть файл «%1»: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    const char* p = bytes.constData();
    const qsizetype n = bytes.size();
    qsizetype lines = 0, start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] != '\r' && p[i] != '\n')
            continue;
        ++lines;
        if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    return start < n ? lines + 1 : lines;
}

QStringList load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(
            QStringLiteral("Не удалось открыть файл «%1»: %2").arg(path, file.errorString()));
    return split(file.readAll());
}

QStringList loadOrEmpty(const QString& path)
{
    if (!QFile::exists(path))
        return {};
    return load(path);
}

void save(const QString& path, const QStringList& lines)
{
    writeFileAtomically(path, join(lines));
}

} // namespace zentari::textlist
