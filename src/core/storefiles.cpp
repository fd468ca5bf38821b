#include "storefiles.h"

#include "error.h"
#include "inifile.h"
#include "storechange.h"

#include <QFile>
#include <sys/stat.h>
#include <utility>

namespace zentari {

StoreFiles::StoreFiles(QString dataDir, QString name, QString whose, QStringList lists)
    : m_dataDir(std::move(dataDir)), m_name(std::move(name)), m_whose(std::move(whose)),
      m_lists(std::move(lists))
{
}

QString StoreFiles::recordPath() const
{
    return m_dataDir + m_name + QStringLiteral(".pending");
}

QString StoreFiles::lockPath() const
{
    return m_dataDir + m_name + QStringLiteral(".lock");
}

FileLock StoreFiles::lock() const
{
    return FileLock(lockPath(), QStringLiteral("Списки %1 в «%2»").arg(m_whose, m_dataDir));
}

void StoreFiles::completePending(IniFile& ini)
{
    const QString notice = StoreChange::completePending(recordPath(), ini, m_whose);
    if (!notice.isEmpty())
        m_notice = notice;
}

QString StoreFiles::takeNotice()
{
    return std::exchange(m_notice, QString());
}

std::vector<StoreFiles::Stamp> StoreFiles::stamps() const
{
    std::vector<Stamp> out;
    out.reserve(size_t(m_lists.size()));
    for (const QString& list : m_lists) {
        Stamp s;
        struct stat st = {};
        if (::stat(QFile::encodeName(m_dataDir + list).constData(), &st) == 0) {
            // A list is replaced by a rename, never written in place: the
            // inode tells one content from the next, the times and size
            // catch an editor that writes in place.
            s = Stamp{true,
                      st.st_dev,
                      st.st_ino,
                      st.st_size,
                      st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec,
                      st.st_ctim.tv_sec * 1'000'000'000LL + st.st_ctim.tv_nsec};
        }
        out.push_back(s);
    }
    return out;
}

void StoreFiles::markCurrent()
{
    m_current = stamps();
}

bool StoreFiles::changedOnDisk() const
{
    return m_current != stamps();
}

RefusedError StoreFiles::refusal(const QString& why) const
{
    return RefusedError(QStringLiteral("Изменение не сохранено: списки %1 не удалось прочитать "
                                       "(%2), а запись из неполной копии стёрла бы остальное.")
                            .arg(m_whose, why));
}

void StoreFiles::commit(const StoreChange& change, IniFile& ini)
{
    change.commit(ini);
    markCurrent();
}

} // namespace zentari
