#include "confform.h"

namespace zentari::conf {

ConfForm::ConfForm(ConfigFile& file) : m_file(file)
{
    for (const Option& option : allOptions()) {
        State s;
        s.loaded = file.stored(option);
        s.wasSet = file.isSet(option);
        // A value the window cannot offer (an invisible clock) is shown as
        // one it can, with the reason, and left in the file unless edited.
        if (s.wasSet) {
            s.problem = valueProblem(option, s.loaded);
            if (s.problem.isEmpty())
                s.problem = valueWarning(option, s.loaded);
        }
        if (s.problem.isEmpty())
            s.value = s.loaded;
        else if (options::isSwitch(*option.key)) // shown as the clock reads it
            s.value =
                (options::isOn(*option.key, s.loaded) ? option.key->onText : option.key->offText)
                    .toString();
        else
            s.value = file.defaultValue(option);
        m_states.insert(&option, s);
    }
}

QString ConfForm::shown(const Option& option) const
{
    return m_states.value(&option).value;
}

QString ConfForm::storedProblem(const Option& option) const
{
    return m_states.value(&option).problem;
}

void ConfForm::edit(const Option& option, const QString& value)
{
    State& s = m_states[&option];
    s.value = value;
    s.edited = true;
    s.reset = false;
}

void ConfForm::reset(const Option& option)
{
    State& s = m_states[&option];
    s.value = m_file.defaultValue(option);
    s.edited = false;
    s.reset = true;
}

bool ConfForm::isChanged(const Option& option) const
{
    const State s = m_states.value(&option);
    return (s.reset && s.wasSet) || (s.edited && s.value != s.loaded);
}

bool ConfForm::hasChanges() const
{
    for (const Option& option : allOptions()) {
        if (isChanged(option))
            return true;
    }
    return false;
}

void ConfForm::save()
{
    QList<std::pair<const Option*, QString>> values;
    QList<const Option*> removed;
    for (const Option& option : allOptions()) {
        if (!isChanged(option))
            continue;
        const State& s = m_states[&option];
        if (s.reset)
            removed.append(&option);
        else
            values.append({&option, s.value});
    }
    if (!values.isEmpty())
        m_file.set(values); // checks every value before it writes any
    for (const Option* option : removed)
        m_file.unset(*option);
    // What is in the file now is the new starting point.
    for (auto it = m_states.begin(); it != m_states.end(); ++it) {
        State& s = it.value();
        s.loaded = m_file.stored(*it.key());
        s.wasSet = m_file.isSet(*it.key());
        s.problem.clear();
        s.edited = s.reset = false;
    }
}

} // namespace zentari::conf
