#include "storechange.h"

#include "atomicfile.h"
#include "filelock.h"
#include "regularfile.h"
#include "textlist.h"

#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <optional>
#include <variant>
#include <vector>

namespace zentari {
namespace {
constexpr quint32 kMagic = 0x5A534331; // "ZSC1"
constexpr quint32 kNull = 0xFFFFFFFF;  // the length QDataStream gives a null string or array

QString folderOf(const QString& recordPath)
{
    return QFileInfo(recordPath).absolutePath();
}

struct Damaged
{
};

// The record as QDataStream wrote it (version 6.0: 32-bit big-endian lengths,
// strings in UTF-16), read by hand: QDataStream believes a list's length and
// reserves room for it first, so eight damaged bytes can ask for gigabytes.
// Here every length is held against what the record still has.
class RecordReader
{
public:
    explicit RecordReader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool atEnd() const { return m_at == m_bytes.size(); }

    quint8 u8()
    {
        need(1);
        return quint8(m_bytes[m_at++]);
    }

    quint32 u32()
    {
        need(4);
        const auto* p = reinterpret_cast<const uchar*>(m_bytes.constData() + m_at);
        m_at += 4;
        return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
    }

    QString string()
    {
        const quint32 length = u32();
        if (length == kNull)
            return QString();
        if (length % 2 != 0)
            throw Damaged{};
        need(length);
        QString s(qsizetype(length / 2), Qt::Uninitialized);
        const auto* p = reinterpret_cast<const uchar*>(m_bytes.constData() + m_at);
        for (qsizetype i = 0; i < s.size(); ++i)
            s[i] = QChar(char16_t(p[2 * i] << 8 | p[2 * i + 1]));
        m_at += length;
        return s;
    }

    QByteArray bytes()
    {
        const quint32 length = u32();
        if (length == kNull)
            return QByteArray();
        need(length);
        QByteArray b = m_bytes.mid(m_at, length);
        m_at += length;
        return b;
    }

    QStringList strings()
    {
        // Each entry takes at least its four bytes of length.
        const quint32 count = countOf(4);
        QStringList list;
        list.reserve(count);
        for (quint32 i = 0; i < count; ++i)
            list.append(string());
        return list;
    }

    // A count of entries of at least minimumSize bytes each, checked against the rest.
    quint32 countOf(qsizetype minimumSize)
    {
        const quint32 count = u32();
        if (qint64(count) * minimumSize > m_bytes.size() - m_at)
            throw Damaged{};
        return count;
    }

private:
    void need(qint64 n) const
    {
        if (n > m_bytes.size() - m_at)
            throw Damaged{};
    }

    const QByteArray& m_bytes;
    qsizetype m_at = 0;
};

// A file named by a record stays inside the record's folder, whatever the
// record says.
bool staysInside(const QString& target)
{
    if (target.isEmpty() || target.contains(QChar(0)) || QDir::isAbsolutePath(target))
        return false;
    const QString clean = QDir::cleanPath(target);
    return clean != u".." && !clean.startsWith(u"../");
}

QString withoutFinalStop(QString text)
{
    while (text.endsWith(u'.'))
        text.chop(1);
    return text;
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
    QList<Step> steps;
    try {
        RecordReader in(bytes);
        if (in.u32() != kMagic)
            throw Damaged{};
        // A step takes at least its kind and four lengths.
        const quint32 count = in.countOf(1 + 4 * 4);
        steps.reserve(count);
        for (quint32 i = 0; i < count; ++i) {
            Step step{};
            const quint8 kind = in.u8();
            if (kind < quint8(Kind::List) || kind > quint8(Kind::Erase))
                throw Damaged{};
            step.kind = Kind(kind);
            step.target = in.string();
            step.lines = in.strings();
            step.bytes = in.bytes();
            const quint32 keys = in.countOf(2 * 4);
            step.keys.reserve(keys);
            for (quint32 k = 0; k < keys; ++k) {
                QString key = in.string();
                step.keys.append({std::move(key), in.string()});
            }
            const bool onFile =
                step.kind == Kind::List || step.kind == Kind::File || step.kind == Kind::Remove;
            if (onFile && !staysInside(step.target))
                throw Damaged{};
            steps.append(std::move(step));
        }
        if (!in.atEnd())
            throw Damaged{};
    } catch (const Damaged&) {
        // The record is written atomically, so a damaged one was never ours to trust.
        throw Error(QStringLiteral("файл «%1» повреждён").arg(recordPath));
    }
    return steps;
}

void StoreChange::apply(const QList<Step>& steps, const QString& recordPath, IniFile& ini)
{
    const QDir folder(folderOf(recordPath));
    QList<IniFile::SectionEdit> edits;
    for (const Step& step : steps) {
        if (step.kind == Kind::Section)
            edits.append({step.target, step.keys, false});
        else if (step.kind == Kind::Erase)
            edits.append({step.target, {}, true});
    }
    // First round: every new content on disk beside its file. conf.ini's
    // content is taken under its lock, which is held until it is in place.
    std::optional<FileLock> confLock;
    QByteArray confContent;
    std::optional<StagedFile> conf;
    if (!edits.isEmpty()) {
        confLock.emplace(ini.lockPath(), QStringLiteral("Файл «%1»").arg(ini.fileName()));
        confContent = ini.contentWith(edits);
        conf.emplace(ini.fileName(), confContent);
    }
    // In the order of the steps: a text file removed and written again under
    // the same name (a reminder changed in its text only) ends up written.
    std::vector<std::variant<StagedFile, QString>> rounds; // a file to publish, or to remove
    rounds.reserve(size_t(steps.size()));
    for (const Step& step : steps) {
        const QString path = folder.filePath(step.target);
        switch (step.kind) {
        case Kind::List:
            rounds.emplace_back(StagedFile(path, textlist::join(step.lines)));
            break;
        case Kind::File:
            rounds.emplace_back(StagedFile(path, step.bytes));
            break;
        case Kind::Remove:
            rounds.emplace_back(path);
            break;
        case Kind::Section:
        case Kind::Erase:
            break;
        }
    }
    // Second round: renames, which need no room.
    try {
        for (auto& round : rounds) {
            if (auto* staged = std::get_if<StagedFile>(&round))
                staged->publish();
            else
                QFile::remove(std::get<QString>(round)); // a file already gone is fine
        }
        if (conf) {
            conf->publish();
            ini.adopt(confContent);
        }
    } catch (const Error& e) {
        throw UnfinishedChange(e.message());
    }
}

void StoreChange::commit(IniFile& ini) const
{
    writeFileAtomically(m_recordPath, serialise());
    try {
        apply(m_steps, m_recordPath, ini);
    } catch (const UnfinishedChange&) {
        throw;
    } catch (...) {
        // Nothing was renamed: the record would only make the failed change
        // at the next start, after the user was told it failed.
        QFile::remove(m_recordPath);
        throw;
    }
    // Should this fail, the record makes the same change again at the next
    // completion: every step is safe to repeat.
    QFile::remove(m_recordPath);
}

QString StoreChange::completePending(const QString& recordPath, IniFile& ini, const QString& whose)
{
    if (!QFileInfo::exists(recordPath) && !QFileInfo(recordPath).isSymLink())
        return {};
    try {
        qint64 size = 0;
        const QByteArray bytes = readRegularFile(recordPath, maxRecordSize, &size);
        if (size > maxRecordSize)
            throw Error(QStringLiteral("файл «%1» слишком велик").arg(recordPath));
        apply(parse(bytes, recordPath), recordPath, ini);
        QFile::remove(recordPath);
        return {};
    } catch (const RefusedError&) {
        throw;
    } catch (const Error& e) {
        // Kept for the user, out of the way of every later change.
        const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss");
        QString aside = recordPath + QStringLiteral("-unfinished-") + stamp;
        for (int n = 2; QFileInfo::exists(aside); ++n)
            aside = recordPath + QStringLiteral("-unfinished-") + stamp + u'-' + QString::number(n);
        if (!QFile::rename(recordPath, aside))
            throw Error(QStringLiteral("Прерванное изменение %1 не удалось завершить (%2), а файл "
                                       "«%3» не удалось переименовать.")
                            .arg(whose, withoutFinalStop(e.message()), recordPath));
        return QStringLiteral("Прерванное изменение %1 не удалось завершить (%2). Оно сохранено в "
                              "файле «%3»; списки прочитаны в том виде, в каком они есть.")
            .arg(whose, withoutFinalStop(e.message()), aside);
    }
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
