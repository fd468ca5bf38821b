#pragma once

#include "confoptions.h"

#include <QHash>
#include <QString>

namespace zentari::conf {

// What the window shows for each option and what saving will write: only the
// options the user changed are written, and a reset one is removed from the
// file, so that a save never rewrites values the user did not touch (nor
// turns a hand-written "$FF00" into a decimal).
class ConfForm
{
public:
    explicit ConfForm(ConfigFile& file);

    // The value an editor starts from: the stored one when it is good, a bad
    // flag as the clock reads it, else the default.
    QString shown(const Option& option) const;
    // Why the stored value is not used (Russian), or empty.
    QString storedProblem(const Option& option) const;

    void edit(const Option& option, const QString& value);
    // Back to the default: the key is removed on saving.
    void reset(const Option& option);
    bool isChanged(const Option& option) const;
    bool hasChanges() const;

    // Writes the changes; throws Error with the reason (nothing is written
    // when a value is bad).
    void save();

private:
    struct State
    {
        QString loaded; // the value the clock uses now
        bool wasSet = false;
        QString problem;
        bool edited = false;
        bool reset = false;
        QString value;
    };
    ConfigFile& m_file;
    QHash<const Option*, State> m_states;
};

} // namespace zentari::conf
