#include "inifile.h"

#include "error.h"
#include "filelock.h"
#include "inidocument.h"

#include <utility>

namespace zentari {

IniFile::IniFile(const QString& path) : m_doc(detail::documentFor(path))
{
    // Opening a handle is when callers expect the file as it is now.
    m_doc->forceRecheck();
}

QString IniFile::fileName() const
{
    return m_doc ? m_doc->path() : QString();
}

QString IniFile::readString(QStringView section, QStringView key, const QString& defaultValue) const
{
    if (!m_doc)
        return defaultValue;
    auto value = m_doc->read(section, key, false);
    return value ? *std::move(value) : defaultValue;
}

std::optional<QString> IniFile::value(QStringView section, QStringView key) const
{
    if (!m_doc)
        return std::nullopt;
    return m_doc->read(section, key, false);
}

QString IniFile::readExactString(QStringView section, QStringView key,
                                 const QString& defaultValue) const
{
    if (!m_doc)
        return defaultValue;
    auto value = m_doc->read(section, key, true);
    return value ? *std::move(value) : defaultValue;
}

bool IniFile::sectionExists(QStringView section) const
{
    return m_doc && m_doc->hasSection(section);
}

void IniFile::writeString(QStringView section, QStringView key, QStringView value)
{
    if (!m_doc)
        throw Error(QStringLiteral("Файл настроек не открыт"));
    m_doc->write(section, key, value);
}

void IniFile::writeSection(QStringView section, const QList<std::pair<QString, QString>>& keys)
{
    if (!m_doc)
        throw Error(QStringLiteral("Файл настроек не открыт"));
    m_doc->writeSection(section, keys);
}

void IniFile::eraseSection(QStringView section)
{
    if (!m_doc)
        throw Error(QStringLiteral("Файл настроек не открыт"));
    m_doc->erase(section);
}

void IniFile::deleteKey(QStringView section, QStringView key)
{
    if (!m_doc)
        throw Error(QStringLiteral("Файл настроек не открыт"));
    m_doc->removeKey(section, key);
}

QByteArray IniFile::contentWith(const QList<SectionEdit>& edits) const
{
    if (!m_doc)
        throw Error(QStringLiteral("Файл настроек не открыт"));
    return m_doc->contentWith(edits);
}

void IniFile::adopt(const QByteArray& bytes)
{
    if (m_doc)
        m_doc->adopt(bytes);
}

QString IniFile::lockPath() const
{
    return m_doc ? FileLock::beside(m_doc->path()) : QString();
}

QString IniFile::readProblem() const
{
    return m_doc ? m_doc->readProblem() : QString();
}

quint64 IniFile::revision() const
{
    return m_doc ? m_doc->revision() : 0;
}

void IniFile::recheckNow() const
{
    if (m_doc)
        m_doc->forceRecheck();
}

} // namespace zentari
