#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace zentari::bench {

// A throw-away program folder with a large store: conf.ini holds the two option
// sections and one section per action, written as the editor writes them, and
// data/ holds the five action lists that name the same actions.
class ActionFolder
{
public:
    explicit ActionFolder(int count);

    QString path() const; // with a trailing separator
    QString confPath() const;

    // conf.ini as first written, and another content of the same size (other
    // file extensions and colour) for playing an outside edit.
    const QByteArray& conf() const { return m_conf; }
    const QByteArray& otherConf() const { return m_otherConf; }
    // Overwrites conf.ini in place, as an outside editor would (same file, no rename).
    void overwriteConf(const QByteArray& bytes) const;

    const QStringList& ids() const { return m_ids; }
    const QStringList& paths() const { return m_paths; }
    // A time text that no action holds, so that a tick at it finds nothing due.
    QString unusedTime() const { return m_unusedTime; }
    // The section of the action in the middle of the lists.
    QString middleSection() const;

    // The colour of conf() and of otherConf(), to tell which one was read.
    static const QString kColor;
    static const QString kOtherColor;

private:
    QTemporaryDir m_dir;
    QByteArray m_conf;
    QByteArray m_otherConf;
    QStringList m_ids;
    QStringList m_paths;
    QString m_unusedTime;
};

} // namespace zentari::bench
