#include "regularfile.h"

#include "error.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zentari {
namespace {

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QByteArray readRegularFile(const QString& path, qint64 limit, qint64* fullSize)
{
    const QByteArray native = QFile::encodeName(path);
    // Non-blocking, so that opening a pipe does not wait for a writer.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        throw Error(QStringLiteral("Не удалось открыть файл «%1»: %2").arg(path, reason(errno)));
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw Error(
            QStringLiteral("«%1» — не обычный файл, его нельзя прочитать как текст.").arg(path));
    }
    if (fullSize)
        *fullSize = st.st_size;
    QByteArray bytes(qsizetype(std::min<qint64>(limit, st.st_size)), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw Error(
                QStringLiteral("Не удалось прочитать файл «%1»: %2").arg(path, reason(error)));
        }
        if (n == 0)
            break; // it shrank meanwhile
        got += n;
    }
    ::close(fd);
    bytes.truncate(got);
    return bytes;
}

} // namespace zentari
