#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class QSaveFile;

namespace zentari {

// Replaces the file's content through a temporary file in the same folder,
// flushed to disk and renamed over the old one, so that a crash or a full disk
// leaves either the old or the new content. Throws Error on failure.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// The first half of that write: the new content in a temporary file beside
// the file ("<name>.XXXXXX"), flushed to disk; publish() renames it over the
// file. Dropped unpublished, the temporary file goes. Several files can so be
// written before any of them changes: what fails for want of room, for a name
// too long or a missing folder fails before anything is visible.
class StagedFile
{
public:
    // Throws Error.
    StagedFile(const QString& path, const QByteArray& bytes);
    ~StagedFile();
    StagedFile(StagedFile&&) noexcept;
    StagedFile& operator=(StagedFile&&) noexcept;

    // Throws Error.
    void publish();
    const QString& path() const { return m_path; }

private:
    [[noreturn]] void fail() const;

    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
};

// Test seam: called with the temporary file's path after it is flushed and
// before it is renamed (a test can end the process there to play a crash, or
// throw to play a full disk).
void setAtomicWriteHookForTesting(std::function<void(const QString& tempPath)> hook);

} // namespace zentari
