#include "atomicfile.h"

#include "error.h"

#include <QSaveFile>
#include <unistd.h>

namespace zentari {
namespace {
std::function<void(const QString&)>& hook()
{
    static std::function<void(const QString&)> h;
    return h;
}
} // namespace

void setAtomicWriteHookForTesting(std::function<void(const QString&)> h)
{
    hook() = std::move(h);
}

StagedFile::StagedFile(const QString& path, const QByteArray& bytes)
    : m_path(path), m_file(std::make_unique<QSaveFile>(path))
{
    if (!m_file->open(QIODevice::WriteOnly))
        fail();
    if (m_file->write(bytes) != bytes.size() || !m_file->flush())
        fail();
    // QSaveFile renames without syncing the data first; a power cut right after
    // the rename could otherwise leave an empty file under the old name.
    if (::fsync(m_file->handle()) != 0)
        fail();
    if (hook())
        hook()(m_file->fileName() + QStringLiteral(" (temporary)"));
}

StagedFile::~StagedFile() = default; // an unpublished QSaveFile removes its temporary file
StagedFile::StagedFile(StagedFile&&) noexcept = default;
StagedFile& StagedFile::operator=(StagedFile&&) noexcept = default;

void StagedFile::fail() const
{
    throw Error(
        QStringLiteral("Не удалось записать файл «%1»: %2").arg(m_path, m_file->errorString()));
}

void StagedFile::publish()
{
    if (!m_file->commit())
        fail();
}

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    StagedFile(path, bytes).publish();
}

} // namespace zentari
