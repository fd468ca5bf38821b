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

void setAtomicWriteHookForTesting(std::function<void(const QString&)> h) { hook() = std::move(h); }

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    auto fail = [&] {
        throw Error(QStringLiteral("Не удалось записать файл «%1»: %2").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    if (file.write(bytes) != bytes.size() || !file.flush())
        fail();
    // QSaveFile renames without syncing the data first; a power cut right after
    // the rename could otherwise leave an empty file under the old name.
    if (::fsync(file.handle()) != 0)
        fail();
    if (hook())
        hook()(file.fileName() + QStringLiteral(" (temporary)"));
    if (!file.commit())
        fail();
}

} // namespace zentari
