#include "handovermessage.h"

#include <QtEndian>

namespace zentari::handover {
namespace {

constexpr char kMagic[4] = {'Z', 'N', 'T', '1'};
constexpr qsizetype kHeader = 8;

void appendU32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

quint32 readU32(const char* at)
{
    return qFromBigEndian<quint32>(at);
}

const QString kShow = QStringLiteral("show");
const QString kCommand = QStringLiteral("command");
const QString kAnswer = QStringLiteral("answer");

} // namespace

QByteArray encode(const QStringList& strings)
{
    QByteArray payload;
    appendU32(payload, quint32(strings.size()));
    for (const QString& s : strings) {
        const QByteArray utf8 = s.toUtf8();
        appendU32(payload, quint32(utf8.size()));
        payload.append(utf8);
    }
    QByteArray out(kMagic, 4);
    appendU32(out, quint32(payload.size()));
    return out + payload;
}

Decoded decode(QByteArray& buffer, QStringList& strings)
{
    const qsizetype magicSeen = std::min<qsizetype>(buffer.size(), 4);
    if (QByteArrayView(buffer).first(magicSeen) != QByteArrayView(kMagic, magicSeen))
        return Decoded::Malformed;
    if (buffer.size() < kHeader)
        return Decoded::Incomplete;
    const quint32 size = readU32(buffer.constData() + 4);
    if (size < 4 || size > quint32(kMaxPayload))
        return Decoded::Malformed;
    if (buffer.size() < kHeader + qsizetype(size))
        return Decoded::Incomplete;

    const char* at = buffer.constData() + kHeader;
    const char* const end = at + size;
    const quint32 count = readU32(at);
    at += 4;
    // Every string takes at least its size field: a count beyond that is a lie.
    if (count > quint32(end - at) / 4)
        return Decoded::Malformed;
    QStringList out;
    for (quint32 i = 0; i < count; ++i) {
        if (end - at < 4)
            return Decoded::Malformed;
        const quint32 length = readU32(at);
        at += 4;
        if (length > quint32(end - at))
            return Decoded::Malformed;
        out.append(QString::fromUtf8(at, qsizetype(length)));
        at += length;
    }
    if (at != end)
        return Decoded::Malformed;
    buffer.remove(0, kHeader + size);
    strings = std::move(out);
    return Decoded::Complete;
}

QStringList requestMessage(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return {kShow};
    return QStringList{kCommand} + arguments;
}

bool readRequest(const QStringList& message, QStringList& arguments)
{
    if (message.size() == 1 && message[0] == kShow) {
        arguments.clear();
        return true;
    }
    if (message.size() > 1 && message[0] == kCommand) {
        arguments = message.mid(1);
        return true;
    }
    return false;
}

QStringList answerMessage(int status, const QString& text)
{
    return {kAnswer, QString::number(status), text};
}

bool readAnswer(const QStringList& message, int& status, QString& text)
{
    if (message.size() != 3 || message[0] != kAnswer)
        return false;
    bool ok = false;
    status = message[1].toInt(&ok);
    text = message[2];
    return ok;
}

} // namespace zentari::handover
