#pragma once

#include <QString>
#include <stdexcept>

namespace zentari {

// An error raised inside a handler: it ends that handler and is shown by the
// application's error report, after which the program runs on.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// A change that was not made, and nothing written, for a reason the user can
// act on: the store's files could not be read whole, or another program kept
// them locked. The message says why; it is shown as it is.
class RefusedError : public Error
{
public:
    using Error::Error;
};

// A text that does not convert to the number, time, date or colour asked for.
class ConvertError : public Error
{
public:
    using Error::Error;
};

} // namespace zentari
