#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <chrono>
#include <memory>
#include <optional>

namespace zentari {

namespace detail {
class IniDocument;
}

// A handle on an INI file. Section and key names match without regard to case;
// values are exact text. A handle keeps no values of its own: all handles on one
// file share one parsed copy, so they see each other's writes at once, and that
// copy is checked against the file (at most every recheckInterval) so that
// outside changes count by the next tick without re-parsing on every read.
class IniFile
{
public:
    static constexpr std::chrono::milliseconds recheckInterval{100};
    // Larger files are not read (nor ever written): their line index would
    // overflow, and long before that they would cost the clock its memory.
    // Ten thousand actions take about 2 MB.
    static constexpr qint64 maxFileSize = 16 * 1024 * 1024;

    IniFile() = default; // a handle on no file: reads give defaults, writes fail
    explicit IniFile(const QString& path);

    bool isOpen() const { return m_doc != nullptr; }
    QString fileName() const;

    QString readString(QStringView section, QStringView key, const QString& defaultValue) const;
    // The value, or nothing when the key (or its section, or the file) is missing:
    // for readers whose missing key means something no text could.
    std::optional<QString> value(QStringView section, QStringView key) const;
    // The value byte for byte as it stands after "=", blanks included (for
    // values such as encoded passwords whose trailing space is part of them).
    QString readExactString(QStringView section, QStringView key,
                            const QString& defaultValue) const;
    bool sectionExists(QStringView section) const;

    // Why the file, which exists, could not be read (Russian, for the user);
    // empty when it was read or does not exist. Reads then give their
    // defaults, and every write throws Error with this text: a file that could
    // not be read is never overwritten.
    QString readProblem() const;

    // Replaces a key in place, appends a new key at the end of its section and a
    // new section at the end of the file. On disk when the call returns; throws
    // Error when the file cannot be written (the old content then stays).
    // Every write holds the file's lock (lockPath()) from reading the file as
    // it is on disk to replacing it, so that writers in other processes (conf,
    // another clock) never undo each other's changes; RefusedError when the
    // lock is not free within a few seconds.
    void writeString(QStringView section, QStringView key, QStringView value);
    // Sets several keys of one section with a single write of the file, as
    // writeString would one after another.
    void writeSection(QStringView section, const QList<std::pair<QString, QString>>& keys);
    void eraseSection(QStringView section);
    // Removes a key (every line of it in its section), so that its readers'
    // default applies again; nothing changes when it is missing.
    void deleteKey(QStringView section, QStringView key);

    // For a change that spans this file and others: the content the file would
    // have with these section edits, made in order on the file as it is on
    // disk now; nothing is written. The caller holds lockPath()'s lock from
    // here until it has put the content in place and called adopt(). Throws
    // Error when the file could not be read.
    struct SectionEdit
    {
        QString section;
        QList<std::pair<QString, QString>> keys; // set in order; none with erase
        bool erase = false;                      // the whole section goes
    };
    QByteArray contentWith(const QList<SectionEdit>& edits) const;
    // The file now holds these bytes, written by the caller.
    void adopt(const QByteArray& bytes);
    QString lockPath() const;

    // Changes whenever the content this handle reads changes (a write through
    // any handle, or an outside change once it is seen); unique across files.
    // Lets a reader keep what it derived from the file until the file changes.
    quint64 revision() const;

    // Makes the next read look at the file now instead of waiting for the
    // recheck interval (for callers that know the file was just changed).
    void recheckNow() const;

private:
    std::shared_ptr<detail::IniDocument> m_doc;
};

} // namespace zentari
