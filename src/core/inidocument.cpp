#include "inidocument.h"

#include "atomicfile.h"
#include "cp1251.h"
#include "error.h"
#include "filelock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <sys/stat.h>

namespace zentari::detail {
namespace {

QChar fold(QChar c)
{
    if (c.unicode() < 0x80)
        return (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + 32) : c;
    return c.toCaseFolded();
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

FileStamp stampOf(const QByteArray& nativePath)
{
    FileStamp s;
    struct stat st = {};
    if (::stat(nativePath.constData(), &st) != 0)
        return s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtime = st.st_mtim;
    s.ctime = st.st_ctim;
    return s;
}

} // namespace

size_t FoldHash::operator()(QStringView s) const noexcept
{
    size_t h = 1469598103934665603ull;
    for (QChar c : s)
        h = (h ^ fold(c).unicode()) * 1099511628211ull;
    return h;
}

bool FoldEqual::operator()(QStringView a, QStringView b) const noexcept
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

bool FileStamp::operator==(const FileStamp& o) const
{
    return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size &&
           mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
           ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
}

IniDocument::IniDocument(QString path)
    : m_path(std::move(path)), m_native(QFile::encodeName(m_path))
{
    reload();
}

std::optional<QString> IniDocument::read(QStringView section, QStringView key, bool exact)
{
    refreshIfStale();
    const int line = findKey(section, key);
    if (line < 0)
        return std::nullopt;
    return valueOf(m_lines[line], exact);
}

QString IniDocument::readProblem()
{
    refreshIfStale();
    return m_readProblem;
}

bool IniDocument::hasSection(QStringView section)
{
    refreshIfStale();
    return m_index.find(section) != m_index.end();
}

void IniDocument::write(QStringView section, QStringView key, QStringView value)
{
    lockedWrite([&] { commit(withKey(section, key, cp1251::encode(value))); });
}

void IniDocument::writeSection(QStringView section, const QList<std::pair<QString, QString>>& keys)
{
    lockedWrite([&] {
        editThenCommit([&] { applyEdits({IniFile::SectionEdit{section.toString(), keys}}); });
    });
}

void IniDocument::erase(QStringView section)
{
    lockedWrite([&] {
        if (m_index.find(section) != m_index.end())
            commit(withoutSection(section));
    });
}

void IniDocument::removeKey(QStringView section, QStringView key)
{
    lockedWrite([&] {
        if (findKey(section, key) < 0)
            return;
        // Every line of the key goes: a repeated key left behind would come
        // back as the key's value.
        editThenCommit([&] {
            for (int line = findKey(section, key); line >= 0; line = findKey(section, key)) {
                m_bytes = m_bytes.left(m_lines[line].start) + m_bytes.mid(lineEnd(line));
                parse();
            }
        });
    });
}

QByteArray IniDocument::contentWith(const QList<IniFile::SectionEdit>& edits)
{
    forceRecheck();
    refreshIfStale();
    refuseUnread();
    const QByteArray before = m_bytes;
    bool reindexed = false;
    try {
        reindexed = applyEdits(edits);
    } catch (...) {
        m_bytes = before;
        parse();
        throw;
    }
    QByteArray content = std::exchange(m_bytes, before);
    if (reindexed)
        parse();
    refuseOversized(content);
    return content;
}

void IniDocument::adopt(const QByteArray& bytes)
{
    m_bytes = bytes;
    m_stamp = stampOf(m_native);
    m_lastCheck = std::chrono::steady_clock::now();
    parse();
}

void IniDocument::refreshIfStale()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastCheck < IniFile::recheckInterval)
        return;
    m_lastCheck = now;
    if (!(stampOf(m_native) == m_stamp))
        reload();
}

void IniDocument::reload()
{
    // Stat before reading: a change that lands in between is then seen again
    // at the next check instead of being taken for the content we read.
    m_stamp = stampOf(m_native);
    m_lastCheck = std::chrono::steady_clock::now();
    QByteArray bytes;
    m_readProblem.clear();
    if (m_stamp.exists) {
        QFile file(m_path);
        if (m_stamp.size > IniFile::maxFileSize) {
            m_readProblem =
                QStringLiteral("Файл «%1» слишком велик (%2 МБ, допустимо не более %3 МБ).")
                    .arg(m_path)
                    .arg(double(m_stamp.size) / (1024 * 1024), 0, 'f', 1)
                    .arg(IniFile::maxFileSize / (1024 * 1024));
        } else if (!file.open(QIODevice::ReadOnly)) {
            m_readProblem = QStringLiteral("Не удалось прочитать файл «%1»: %2.")
                                .arg(m_path, file.errorString());
        } else {
            bytes = file.readAll();
            if (file.error() != QFileDevice::NoError)
                m_readProblem = QStringLiteral("Не удалось прочитать файл «%1»: %2.")
                                    .arg(m_path, file.errorString());
        }
        if (!m_readProblem.isEmpty()) {
            m_readProblem += QStringLiteral(" Программа работает с настройками по умолчанию и "
                                            "не изменит этот файл.");
            bytes.clear();
        }
    }
    m_bytes = std::move(bytes);
    parse();
}

// The line end new lines get: the file's own where it has one (a file
// written by hand on Linux keeps plain LF), else CR LF as always.
QByteArray IniDocument::lineBreak() const
{
    const qsizetype lf = m_bytes.indexOf('\n');
    if (lf >= 0 && (lf == 0 || m_bytes[lf - 1] != '\r'))
        return QByteArrayLiteral("\n");
    return QByteArrayLiteral("\r\n");
}

// The file's bytes with the key set: replaced in place, appended at the end
// of its section, or in a new section at the end of the file.
QByteArray IniDocument::withKey(QStringView section, QStringView key,
                                const QByteArray& encodedValue) const
{
    QByteArray out;
    const int line = findKey(section, key);
    if (line >= 0) {
        const Line& l = m_lines[line];
        const qsizetype valueStart = l.start + l.eq + 1;
        out = m_bytes.left(valueStart) + encodedValue + m_bytes.mid(l.start + l.length);
    } else {
        const QByteArray eol = lineBreak();
        const QByteArray keyLine = cp1251::encode(key) + '=' + encodedValue + eol;
        const auto it = m_index.find(section);
        if (it != m_index.end()) {
            const Section& s = m_sections[it->second];
            int last = s.header;
            for (int i = s.first; i < s.end; ++i) {
                if (!isBlankLine(m_lines[i]))
                    last = i;
            }
            const qsizetype at = lineEnd(last);
            out = m_bytes.left(at);
            if (!endsWithNewline(out))
                out += eol;
            out += keyLine + m_bytes.mid(at);
        } else {
            out = m_bytes;
            if (!out.isEmpty() && !endsWithNewline(out))
                out += eol;
            out += '[' + cp1251::encode(section) + ']' + eol + keyLine;
        }
    }
    return out;
}

// Holds the file's lock from reading the file as it is on disk to
// replacing it: another process writing in between would otherwise have
// its change undone by this one.
template <typename Edit> void IniDocument::lockedWrite(Edit&& edit)
{
    const FileLock lock(FileLock::beside(m_path), QStringLiteral("Файл «%1»").arg(m_path));
    forceRecheck();
    refreshIfStale();
    refuseUnread();
    edit();
}

// Makes the edits on m_bytes in order. The index is brought up to date
// between them, not after the last; returns whether it was rebuilt at all.
bool IniDocument::applyEdits(const QList<IniFile::SectionEdit>& edits)
{
    bool stale = false, reindexed = false;
    for (const IniFile::SectionEdit& edit : edits) {
        if (stale) {
            parse();
            stale = false;
            reindexed = true;
        }
        if (edit.erase) {
            if (m_index.find(edit.section) != m_index.end()) {
                m_bytes = withoutSection(edit.section);
                stale = true;
            }
        } else if (m_index.find(edit.section) == m_index.end()) {
            m_bytes = withNewSection(edit.section, edit.keys);
            stale = true;
        } else {
            // An existing section: key by key.
            for (const auto& [key, value] : edit.keys) {
                m_bytes = withKey(edit.section, key, cp1251::encode(value));
                parse();
                reindexed = true;
            }
        }
    }
    return reindexed;
}

// A new section, written as one block at the end of the file in the order
// given (a key given twice keeps its place and takes its last value).
QByteArray IniDocument::withNewSection(QStringView section,
                                       const QList<std::pair<QString, QString>>& keys) const
{
    QList<std::pair<QString, QString>> block;
    for (const auto& [key, value] : keys) {
        auto same = std::find_if(block.begin(), block.end(),
                                 [&key](const auto& kv) { return FoldEqual{}(kv.first, key); });
        if (same != block.end())
            same->second = value;
        else
            block.append({key, value});
    }
    const QByteArray eol = lineBreak();
    QByteArray out = m_bytes;
    if (!out.isEmpty() && !endsWithNewline(out))
        out += eol;
    out += '[' + cp1251::encode(section) + ']' + eol;
    for (const auto& [key, value] : block)
        out += cp1251::encode(key) + '=' + cp1251::encode(value) + eol;
    return out;
}

// Every section of that name goes, not just the first: a duplicate left
// behind would otherwise surface as the "same" section after the erase.
QByteArray IniDocument::withoutSection(QStringView section) const
{
    QByteArray out;
    qsizetype copied = 0;
    for (const Section& s : m_sections) {
        if (!FoldEqual{}(s.name, section))
            continue;
        const qsizetype from = m_lines[s.header].start;
        out += m_bytes.mid(copied, from - copied);
        copied = lineEnd(s.end - 1); // a section spans at least its header line
    }
    out += m_bytes.mid(copied);
    return out;
}

// Edits the copy in memory, then writes it once; a failed write leaves the
// copy as the file still is.
template <typename Edit> void IniDocument::editThenCommit(Edit&& edit)
{
    const QByteArray before = m_bytes;
    try {
        edit();
        commit(QByteArray(m_bytes));
    } catch (...) {
        m_bytes = before;
        parse();
        throw;
    }
}

// A file that is there but could not be read must not be rebuilt from the
// empty copy that stands for it: that would wipe the user's settings.
void IniDocument::refuseUnread() const
{
    if (!m_readProblem.isEmpty())
        throw Error(m_readProblem);
}

void IniDocument::refuseOversized(const QByteArray& bytes) const
{
    if (bytes.size() > IniFile::maxFileSize)
        throw Error(QStringLiteral("Файл «%1» стал бы слишком велик (более %2 МБ); изменение "
                                   "не сохранено.")
                        .arg(m_path)
                        .arg(IniFile::maxFileSize / (1024 * 1024)));
}

void IniDocument::commit(QByteArray bytes)
{
    refuseOversized(bytes);
    writeFileAtomically(m_path, bytes);
    m_bytes = std::move(bytes);
    m_stamp = stampOf(m_native);
    m_lastCheck = std::chrono::steady_clock::now();
    parse();
}

void IniDocument::parse()
{
    m_sections.clear();
    m_index.clear();
    const char* p = m_bytes.constData();
    const qsizetype n = m_bytes.size();
    std::vector<Line>().swap(m_lines); // drop the old capacity, then take just enough
    m_lines.reserve(size_t(std::count(p, p + n, '\n')) + 1);
    m_revision = nextRevision();
    qsizetype start = 0;
    while (start < n) {
        qsizetype i = start;
        qsizetype eq = -1;
        while (i < n && p[i] != '\r' && p[i] != '\n') {
            if (eq < 0 && p[i] == '=')
                eq = i - start;
            ++i;
        }
        addLine(Line{qint32(start), qint32(i - start), qint32(eq)});
        if (i < n && p[i] == '\r' && i + 1 < n && p[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (!m_sections.empty())
        m_sections.back().end = int(m_lines.size());
}

void IniDocument::addLine(const Line& line)
{
    const int index = int(m_lines.size());
    m_lines.push_back(line);
    const char* p = m_bytes.constData() + line.start;
    qsizetype a = 0;
    while (a < line.length && isBlank(p[a]))
        ++a;
    if (a >= line.length || p[a] != '[')
        return;
    qsizetype b = a + 1;
    while (b < line.length && p[b] != ']')
        ++b;
    qsizetype nameStart = a + 1, nameEnd = b;
    while (nameStart < nameEnd && isBlank(p[nameStart]))
        ++nameStart;
    while (nameEnd > nameStart && isBlank(p[nameEnd - 1]))
        --nameEnd;
    if (!m_sections.empty())
        m_sections.back().end = index;
    QString name = cp1251::decode(p + nameStart, nameEnd - nameStart);
    m_index.try_emplace(name, int(m_sections.size()));
    m_sections.push_back(Section{std::move(name), index, index + 1, index + 1});
}

int IniDocument::findKey(QStringView section, QStringView key) const
{
    const auto it = m_index.find(section);
    if (it == m_index.end())
        return -1;
    const Section& s = m_sections[it->second];
    const int end = s.end;
    for (int i = s.first; i < end; ++i) {
        if (keyMatches(m_lines[i], key))
            return i;
    }
    return -1;
}

bool IniDocument::keyMatches(const Line& line, QStringView key) const
{
    if (line.eq < 0)
        return false;
    const char* p = m_bytes.constData() + line.start;
    qsizetype a = 0, b = line.eq;
    while (a < b && isBlank(p[a]))
        ++a;
    while (b > a && isBlank(p[b - 1]))
        --b;
    if (b - a != key.size() || (a < b && p[a] == ';'))
        return false;
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (fold(cp1251::toUnicode(static_cast<unsigned char>(p[a + i]))) != fold(key[i]))
            return false;
    }
    return true;
}

QString IniDocument::valueOf(const Line& line, bool exact) const
{
    const char* p = m_bytes.constData() + line.start;
    qsizetype a = line.eq + 1, b = line.length;
    if (exact)
        return cp1251::decode(p + a, b - a);
    while (a < b && isBlank(p[a]))
        ++a;
    while (b > a && isBlank(p[b - 1]))
        --b;
    return cp1251::decode(p + a, b - a);
}

bool IniDocument::isBlankLine(const Line& line) const
{
    const char* p = m_bytes.constData() + line.start;
    for (qsizetype i = 0; i < line.length; ++i) {
        if (!isBlank(p[i]))
            return false;
    }
    return true;
}

// Offset just past the line's end-of-line bytes.
qsizetype IniDocument::lineEnd(int index) const
{
    if (index + 1 < int(m_lines.size()))
        return m_lines[index + 1].start;
    return m_bytes.size();
}

bool IniDocument::endsWithNewline(const QByteArray& b)
{
    return b.endsWith('\n') || b.endsWith('\r');
}

quint64 IniDocument::nextRevision()
{
    static quint64 counter = 0;
    return ++counter;
}

quint64 IniDocument::revision()
{
    refreshIfStale();
    return m_revision;
}
std::shared_ptr<IniDocument> documentFor(const QString& path)
{
    static std::map<QString, std::weak_ptr<IniDocument>> documents;
    const QString key = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    auto& slot = documents[key];
    if (auto doc = slot.lock())
        return doc;
    auto doc = std::make_shared<IniDocument>(key);
    slot = doc;
    return doc;
}

} // namespace zentari::detail
