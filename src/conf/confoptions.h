#pragma once

#include "core/inifile.h"
#include "core/options.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// What the configuration tool knows about each option the clock reads: how it
// is shown, which values make sense, and the reading, checking and writing of
// conf.ini that both the command line and the window use.
namespace zentari::conf {

enum class Group
{
    Look,
    Behaviour,
    Signals,
    Alarms
};

// An option as conf shows it; what the key is and how the clock reads it is
// the core table's (options::Key).
struct Option
{
    const options::Key* key = nullptr;
    Group group = Group::Look;
    QString label{}; // Russian, for the window and the messages
    // The window's spin box offers a narrower range than the key's where the
    // rest of the accepted values would surprise (or mean the same as its ends).
    std::optional<int> windowMinimum{};
    std::optional<int> windowMaximum{};
    // Shown by the spin box at its lowest value (what that value means).
    QString minimumText{};
    // Accepted above this, but with `warning` said.
    std::optional<int> warnAbove{};
    QString warning{};
};

// Every option of conf.ini, in the order the window and --list show them.
const QList<Option>& allOptions();
// The option of that key name, matched without regard to case; nullptr if none.
const Option* findOption(QStringView name);
QString groupTitle(Group group);

// Why the text is not a good value for the option (Russian), or the empty text.
QString valueProblem(const Option& option, const QString& value);
// What to say about an accepted value that will surprise (Russian), or the empty text.
QString valueWarning(const Option& option, const QString& value);
// The value the clock takes for the stored text: the text's own meaning
// where the clock can use it, else the default it falls back to.
QString effectiveValue(const Option& option, const QString& stored, const QString& defaultValue,
                       const QString& programDir);

// conf.ini of one program folder, through the project's INI store: keys are
// replaced in place, everything else in the file is kept byte for byte.
class ConfigFile
{
public:
    explicit ConfigFile(QString programDir);

    const QString& programDir() const { return m_programDir; }
    QString path() const;
    // Why the file could not be read (then it is never written), or empty.
    QString readProblem() const { return m_ini.readProblem(); }

    // The default, "data\..." names resolved against the program folder.
    QString defaultValue(const Option& option) const;
    bool isSet(const Option& option) const;
    // The stored text, or the default when the key is missing.
    QString stored(const Option& option) const;
    // The value the clock would use (see effectiveValue).
    QString value(const Option& option) const;

    // Checks every value first; writes nothing unless all are good. Throws
    // Error with the Russian reason of the first bad one (or of a failed write).
    void set(const QList<std::pair<const Option*, QString>>& values);
    // Removes the key, so that the default applies.
    void unset(const Option& option);

    // One Russian line per stored value the clock would refuse or misread.
    QStringList check() const;
    // One Russian line per stored value that is accepted but will surprise.
    QStringList warnings() const;
    // One line per option: section, key, value, default, separated by tabs.
    QStringList listing() const;

private:
    QString m_programDir;
    mutable IniFile m_ini;
};

} // namespace zentari::conf
