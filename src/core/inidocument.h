#pragma once

// Private to the core library: included only by its own sources.

#include "inifile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <chrono>
#include <memory>
#include <optional>
#include <sys/types.h>
#include <time.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zentari::detail {

// Section and key names match without regard to case.
struct FoldHash
{
    using is_transparent = void;
    size_t operator()(QStringView s) const noexcept;
    size_t operator()(const QString& s) const noexcept { return (*this)(QStringView(s)); }
};

struct FoldEqual
{
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept;
};

struct FileStamp
{
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    bool operator==(const FileStamp& o) const;
};

// The parsed copy of one INI file, shared by every IniFile handle on it.
class IniDocument
{
public:
    explicit IniDocument(QString path);

    const QString& path() const { return m_path; }

    void forceRecheck() { m_lastCheck = {}; }

    std::optional<QString> read(QStringView section, QStringView key, bool exact);
    QString readProblem();
    bool hasSection(QStringView section);
    void write(QStringView section, QStringView key, QStringView value);
    void writeSection(QStringView section, const QList<std::pair<QString, QString>>& keys);
    void erase(QStringView section);
    void removeKey(QStringView section, QStringView key);
    QByteArray contentWith(const QList<IniFile::SectionEdit>& edits);
    void adopt(const QByteArray& bytes);
    quint64 revision();

private:
    // 32-bit offsets: a conf.ini of ten thousand actions has over a hundred
    // thousand lines, and the index is most of what the program keeps of it.
    // Larger files than maxFileSize are refused before they are read.
    struct Line
    {
        qint32 start;  // byte offset of the line
        qint32 length; // without its line end
        qint32 eq;     // offset of '=' within the line, -1 when none
    };
    struct Section
    {
        QString name; // as written (decoded), for matching duplicates on erase
        int header;   // line of "[name]"
        int first;    // first line after the header
        int end;      // one past the last line of the section
    };

    void refreshIfStale();
    void reload();
    QByteArray lineBreak() const;
    QByteArray withKey(QStringView section, QStringView key, const QByteArray& encodedValue) const;
    template <typename Edit> void lockedWrite(Edit&& edit);
    bool applyEdits(const QList<IniFile::SectionEdit>& edits);
    QByteArray withNewSection(QStringView section,
                              const QList<std::pair<QString, QString>>& keys) const;
    QByteArray withoutSection(QStringView section) const;
    template <typename Edit> void editThenCommit(Edit&& edit);
    void refuseUnread() const;
    void refuseOversized(const QByteArray& bytes) const;
    void commit(QByteArray bytes);
    void parse();
    void addLine(const Line& line);
    int findKey(QStringView section, QStringView key) const;
    bool keyMatches(const Line& line, QStringView key) const;
    QString valueOf(const Line& line, bool exact) const;
    bool isBlankLine(const Line& line) const;
    qsizetype lineEnd(int index) const;
    static bool endsWithNewline(const QByteArray& b);
    static quint64 nextRevision();

    QString m_path;
    QByteArray m_native;
    // The raw bytes are kept and indexed instead of decoded: a conf.ini of ten
    // thousand actions stays a few megabytes, and a read decodes only the value
    // it returns.
    QByteArray m_bytes;
    std::vector<Line> m_lines;
    std::vector<Section> m_sections;
    std::unordered_map<QString, int, FoldHash, FoldEqual> m_index;
    FileStamp m_stamp;
    QString m_readProblem; // why the file that exists could not be read; empty when it was
    std::chrono::steady_clock::time_point m_lastCheck{};
    quint64 m_revision = 0;
};

// One document per file for the whole program; handles come and go (the main
// window opens a fresh one at every activation) without re-parsing the file.
std::shared_ptr<IniDocument> documentFor(const QString& path);

} // namespace zentari::detail
