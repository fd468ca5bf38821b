#include "storewriter.h"

#include "core/error.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zentari::conf {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The file's modes must not depend on who started the writer, nor on what
// umask they had.
class Umask022
{
public:
    Umask022() : m_old(::umask(022)) {}
    ~Umask022() { ::umask(m_old); }
    Umask022(const Umask022&) = delete;
    Umask022& operator=(const Umask022&) = delete;

private:
    mode_t m_old;
};

class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(Fd&& other) noexcept : m_fd(other.release()) {}
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = other.release();
        }
        return *this;
    }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// Makes the missing folders of `folder`, each mode 755 as it is created.
void makeFolders(const QString& folder)
{
    QStringList missing;
    QString at = folder;
    struct stat st = {};
    while (::lstat(QFile::encodeName(at).constData(), &st) != 0 && errno == ENOENT) {
        missing.prepend(at);
        const QString parent = QFileInfo(at).path();
        if (parent == at)
            break;
        at = parent;
    }
    for (const QString& dir : missing) {
        if (::mkdir(QFile::encodeName(dir).constData(), 0755) != 0 && errno != EEXIST)
            throw Error(
                QStringLiteral("Не удалось создать папку «%1»: %2.").arg(dir, systemError(errno)));
    }
}

// The store's folder, opened without following a link, when it is one that
// only the caller can change.
Fd openTrustedFolder(const QString& folder)
{
    Fd dir(::open(QFile::encodeName(folder).constData(),
                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.get() < 0) {
        const int e = errno;
        if (e == ELOOP || e == ENOTDIR)
            throw Error(QStringLiteral("«%1» — не папка, а ссылка или файл; защита не записана.")
                            .arg(folder));
        throw Error(
            QStringLiteral("Не удалось открыть папку «%1»: %2.").arg(folder, systemError(e)));
    }
    struct stat st = {};
    if (::fstat(dir.get(), &st) != 0)
        throw Error(
            QStringLiteral("Не удалось открыть папку «%1»: %2.").arg(folder, systemError(errno)));
    if (st.st_uid != ::geteuid())
        throw Error(
            QStringLiteral("Папка «%1» принадлежит другому пользователю; защита не записана.")
                .arg(folder));
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        throw Error(QStringLiteral("В папку «%1» могут писать другие пользователи; защита не "
                                   "записана. Уберите у неё право записи для группы и остальных.")
                        .arg(folder));
    return dir;
}

// What is at the store's path must be the store: no link, no device, nobody else's file.
void requireOwnRegularFileOrNothing(int dir, const QByteArray& name, const QString& path)
{
    // O_NONBLOCK: a FIFO put there must not hold the writer up.
    Fd file(
        ::openat(dir, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) {
        const int e = errno;
        if (e == ENOENT)
            return;
        if (e == ELOOP)
            throw Error(QStringLiteral("«%1» — символьная ссылка; защита не записана.").arg(path));
        throw Error(QStringLiteral("Не удалось открыть «%1»: %2.").arg(path, systemError(e)));
    }
    struct stat st = {};
    if (::fstat(file.get(), &st) != 0)
        throw Error(QStringLiteral("Не удалось открыть «%1»: %2.").arg(path, systemError(errno)));
    if (!S_ISREG(st.st_mode))
        throw Error(QStringLiteral("«%1» — не обычный файл; защита не записана.").arg(path));
    if (st.st_uid != ::geteuid())
        throw Error(
            QStringLiteral("Файл «%1» принадлежит другому пользователю; защита не записана.")
                .arg(path));
}

void writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Error(QStringLiteral("Запись не удалась: %1.").arg(systemError(errno)));
        done += n;
    }
}

} // namespace

QString protectionValuesProblem(const QString& use, const QString& pas)
{
    if (use != u"0" && use != u"1")
        return QStringLiteral("USE должно быть «0» или «1».");
    // Each byte of the password as a number, each followed by a space.
    static const QRegularExpression encoded(QStringLiteral("\\A(?:-?[0-9]{1,4} )*\\z"));
    if (!encoded.match(pas).hasMatch())
        return QStringLiteral(
            "PAS должно быть паролем в закодированном виде (числа через пробел).");
    return {};
}

void writeProtectionFile(const QString& storePath, const QString& use, const QString& pas)
{
    if (const QString problem = protectionValuesProblem(use, pas); !problem.isEmpty())
        throw Error(problem);
    const Umask022 umask;
    const QFileInfo info(storePath);
    const QString folder = info.absolutePath();
    const QByteArray name = QFile::encodeName(info.fileName());
    if (name.isEmpty() || name == "." || name == "..")
        throw Error(QStringLiteral("«%1» — не имя файла.").arg(storePath));

    makeFolders(folder);
    const Fd dir = openTrustedFolder(folder);
    requireOwnRegularFileOrNothing(dir.get(), name, storePath);

    const QByteArray content =
        "[Software\\Zentari]\r\nUSE=" + use.toLatin1() + "\r\nPAS=" + pas.toLatin1() + "\r\n";
    QByteArray temporary;
    Fd file;
    for (int attempt = 0; attempt < 16 && file.get() < 0; ++attempt) {
        temporary =
            '.' + name + '.' + QByteArray::number(QRandomGenerator::system()->generate(), 36);
        file = Fd(::openat(dir.get(), temporary.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (file.get() < 0 && errno != EEXIST)
            break;
    }
    if (file.get() < 0)
        throw Error(QStringLiteral("Не удалось создать временный файл в «%1»: %2.")
                        .arg(folder, systemError(errno)));
    try {
        // Every user's clock reads the store; only its owner writes it.
        if (::fchmod(file.get(), 0644) != 0)
            throw Error(QStringLiteral("Запись не удалась: %1.").arg(systemError(errno)));
        writeAll(file.get(), content);
        if (::fsync(file.get()) != 0)
            throw Error(QStringLiteral("Запись не удалась: %1.").arg(systemError(errno)));
        if (::close(file.release()) != 0)
            throw Error(QStringLiteral("Запись не удалась: %1.").arg(systemError(errno)));
        if (::renameat(dir.get(), temporary.constData(), dir.get(), name.constData()) != 0)
            throw Error(
                QStringLiteral("Не удалось заменить «%1»: %2.").arg(storePath, systemError(errno)));
    } catch (const Error&) {
        ::unlinkat(dir.get(), temporary.constData(), 0);
        throw;
    }
    // The rename itself reaches the disk with the folder.
    ::fsync(dir.get());
}

int runWriteProtection(const QByteArray& input, const QString& storePath, QString* error)
{
    if (input.size() > kMaxWriterInput) {
        *error = QStringLiteral("Ввод слишком длинный; защита не записана.");
        return 2;
    }
    // Two lines exactly, the last one's end optional; the password's
    // trailing space belongs to it.
    QList<QByteArray> lines = input.split('\n');
    if (lines.size() == 3 && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() != 2) {
        *error = QStringLiteral("Ожидались две строки: USE и PAS.");
        return 2;
    }
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        for (const char c : line) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte >= 0x7F) {
                *error = QStringLiteral("Ввод содержит недопустимые символы; защита не записана.");
                return 2;
            }
        }
    }
    const QString use = QString::fromLatin1(lines[0]);
    const QString pas = QString::fromLatin1(lines[1]);
    if (const QString problem = protectionValuesProblem(use, pas); !problem.isEmpty()) {
        *error = problem;
        return 2;
    }
    try {
        writeProtectionFile(storePath, use, pas);
    } catch (const Error& e) {
        *error = e.message();
        return 3;
    }
    return 0;
}

} // namespace zentari::conf
