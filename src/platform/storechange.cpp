#include "storechange.h"

#include "atomicfile.h"
#include "error.h"
#include "textlist.h"

#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace zentari {
namespace {
constexpr quint32 kMagic = 0x5A534331; // "ZSC1"

QString folderOf(const QString& recordPath)
{
    return QFileInfo(recordPath).absolutePath();
}
} // namespace

StoreChange::StoreChange(QString recordPath) : m_recordPath(std::move(recordPath)) {}

// Paths are kept relative to the record, so that a program folder moved
// after a crash still completes its change.
QString StoreChange::relative(const QString& path) const
{
    return QDir(folderOf(m_recordPath)).relativeFilePath(path);
}

void StoreChange::setList(const QString& path, const QStringList& lines)
{
    m_steps.append(Step{Kind::List, relative(path), lines, {}, {}});
}

void StoreChange::writeFile(const QString& path, const QByteArray& bytes)
{
    m_steps.append(Step{Kind::File, relative(path), {}, bytes, {}});
}

void StoreChange::removeFile(const QString& path)
{
    m_steps.append(Step{Kind::Remove, relative(path), {}, {}, {}});
}

void StoreChange::writeSection(const QString& section, QList<std::pair<QString, QString>> keys)
{
    m_steps.append(Step{Kind::Section, section, {}, {}, std::move(keys)});
}

void StoreChange::eraseSection(const QString& section)
{
    m_steps.append(Step{Kind::Erase, section, {}, {}, {}});
}

QByteArray StoreChange::serialise() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << quint32(m_steps.size());
    for (const Step& step : m_steps) {
        out << quint8(step.kind) << step.target << step.lines << step.bytes
            << quint32(step.keys.size());
        for (const auto& [key, value] : step.keys)
            out << key << value;
    }
    return bytes;
}

QList<StoreChange::Step> StoreChange::parse(const QByteArray& bytes, const QString& recordPath)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, count = 0;
    in >> magic >> count;
    QList<Step> steps;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        quint8 kind = 0;
        quint32 keys = 0;
        Step step{};
        in >> kind >> step.target >> step.lines >> step.bytes >> keys;
        step.kind = Kind(kind);
        for (quint32 k = 0; k < keys && in.status() == QDataStream::Ok; ++k) {
            QString key, value;
            in >> key >> value;
            step.keys.append({key, value});
        }
        steps.append(std::move(step));
    }
    // The record is written atomically, so a damaged one was never ours to trust.
    if (magic != kMagic || in.status() != QDataStream::Ok || !in.atEnd())
        throw Error(QStringLiteral("Файл незавершённого изменения «%1» повреждён; удалите его.")
                        .arg(recordPath));
    return steps;
}

void StoreChange::apply(const QList<Step>& steps, const QString& recordPath, IniFile& ini)
{
    const QDir folder(folderOf(recordPath));
    for (const Step& step : steps) {
        switch (step.kind) {
        case Kind::List:
            textlist::save(folder.filePath(step.target), step.lines);
            break;
        case Kind::File:
            writeFileAtomically(folder.filePath(step.target), step.bytes);
            break;
        case Kind::Remove:
            QFile::remove(folder.filePath(step.target));
            break;
        case Kind::Section:
            ini.writeSection(step.target, step.keys);
            break;
        case Kind::Erase:
            ini.eraseSection(step.target);
            break;
        }
    }
}

void StoreChange::commit(IniFile& ini) const
{
    writeFileAtomically(m_recordPath, serialise());
    apply(m_steps, m_recordPath, ini);
    if (!QFile::remove(m_recordPath))
        throw Error(QStringLiteral("Не удалось удалить файл «%1».").arg(m_recordPath));
}

void StoreChange::completePending(const QString& recordPath, IniFile& ini)
{
    QFile record(recordPath);
    if (!record.exists())
        return;
    if (!record.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не удалось прочитать файл «%1»: %2.")
                        .arg(recordPath, record.errorString()));
    const QList<Step> steps = parse(record.readAll(), recordPath);
    record.close();
    apply(steps, recordPath, ini);
    QFile::remove(recordPath);
}

void StoreChange::removeInterruptedWrites(const QString& folder, const QStringList& nameSuffixes)
{
    // A write in progress in another instance is a few milliseconds old.
    const QDateTime stale = QDateTime::currentDateTime().addSecs(-10);
    static const QRegularExpression temporary(QStringLiteral("^(.+)\\.[A-Za-z0-9]{6}$"));
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        const QRegularExpressionMatch m = temporary.match(entry.fileName());
        if (!m.hasMatch() || entry.lastModified() > stale)
            continue;
        const QString target = m.captured(1);
        const bool ours = std::any_of(nameSuffixes.begin(), nameSuffixes.end(),
                                      [&target](const QString& s) { return target.endsWith(s); });
        if (ours)
            QFile::remove(entry.absoluteFilePath());
    }
}

} // namespace zentari
