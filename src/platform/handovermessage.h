#pragma once

#include <QByteArray>
#include <QStringList>

// The messages of the hand-over socket between a second start and the clock
// that runs: each one a list of strings, length-prefixed, so that a reminder's
// text with its line breaks travels as it is. Both ends are the same user's,
// but a reader still trusts no length it is given: a damaged or hostile
// message is refused, never allocated for.
//
//   "ZNT1"  u32 payload size  |  u32 count  |  count × (u32 size, UTF-8 bytes)
//
// (sizes big-endian).
namespace zentari::handover {

// Larger messages are refused: a reminder's text is at most 1 MB in the
// lists' code page, three at most in UTF-8.
inline constexpr qsizetype kMaxPayload = 8 * 1024 * 1024;

QByteArray encode(const QStringList& strings);

enum class Decoded
{
    Complete,   // one message read into `strings` and taken off the front of `buffer`
    Incomplete, // more bytes are needed; nothing taken
    Malformed,  // not a message of this protocol; the connection should be dropped
};
Decoded decode(QByteArray& buffer, QStringList& strings);

// What the strings of a message mean.
// A request: "show" (a plain start), or "command" followed by the arguments.
QStringList requestMessage(const QStringList& arguments);
// The arguments of a request (empty for "show"), or false when it is none.
bool readRequest(const QStringList& message, QStringList& arguments);
// The answer: "answer", the exit status as decimal text, the message.
QStringList answerMessage(int status, const QString& text);
bool readAnswer(const QStringList& message, int& status, QString& text);

} // namespace zentari::handover
