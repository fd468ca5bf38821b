#pragma once

#include "app/options.h"
#include "platform/inifile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// What the configuration tool knows about each option the clock reads: how it
// is shown, which values make sense, and the reading, checking and writing of
// conf.ini that both the command line and the window use.
namespace zentari::conf {

enum class Kind
{
    Flag,    // two texts: onValue and offValue
    Integer, // decimal, within [minimum, maximum]
    Colour,  // a colour text; 24-bit, red in the low byte
    File,    // a file path
};

enum class Group
{
    Look,
    Behaviour,
    Signals,
    Alarms
};

struct Option
{
    const options::Key* key;
    Kind kind;
    Group group;
    QString label; // Russian, for the window and the messages
    int minimum = 0;
    int maximum = 0;
    QString onValue = QStringLiteral("1");
    QString offValue = QStringLiteral("0");
    // The clock takes every text but offValue as on (else only onValue).
    bool anyOtherIsOn = false;
};

// Every option of conf.ini, in the order the window and --list show them.
const QList<Option>& allOptions();
// The option of that key name, matched without regard to case; nullptr if none.
const Option* findOption(QStringView name);
QString groupTitle(Group group);

// How the clock reads a flag's text.
bool flagIsOn(const Option& option, const QString& value);

// Why the text is not a good value for the option (Russian), or the empty text.
QString valueProblem(const Option& option, const QString& value);

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
    // The value the clock would use: the stored text, or the default.
    QString value(const Option& option) const;

    // Checks every value first; writes nothing unless all are good. Throws
    // Error with the Russian reason of the first bad one (or of a failed write).
    void set(const QList<std::pair<const Option*, QString>>& values);
    // Removes the key, so that the default applies.
    void unset(const Option& option);

    // One Russian line per stored value the clock would refuse or misread.
    QStringList check() const;
    // One line per option: section, key, value, default, separated by tabs.
    QStringList listing() const;

private:
    QString m_programDir;
    mutable IniFile m_ini;
};

} // namespace zentari::conf
