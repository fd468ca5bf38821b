#include "fakes.h"

#include "core/error.h"

namespace zentari::test {

void FakePlayer::open(const QString& file)
{
    m_mode = Mode::NotOpen;
    openFile.clear();
    if (broken.contains(file))
        throw Error(QStringLiteral("cannot open %1").arg(file));
    openFile = file;
    m_mode = Mode::Stopped;
}

void FakePlayer::play()
{
    if (openFile.isEmpty())
        throw Error(QStringLiteral("nothing open"));
    m_mode = Mode::Playing;
    m_log.append({QStringLiteral("play"), openFile});
}

void FakePlayer::playFadingIn(int seconds)
{
    if (openFile.isEmpty())
        throw Error(QStringLiteral("nothing open"));
    m_mode = Mode::Playing;
    m_log.append({QStringLiteral("play"), openFile, QStringLiteral("fade %1").arg(seconds)});
}

void FakePlayer::close()
{
    m_mode = Mode::NotOpen;
    openFile.clear();
}

void FakeMessageBoxes::show(const QString& text, const QString& caption, MessageIcon)
{
    shown.append(text);
    m_log.append({QStringLiteral("message"), caption, text});
    if (onShow)
        onShow();
}

bool FakeMessageBoxes::askYesNo(const QString& text, const QString& caption)
{
    shown.append(text);
    m_log.append({QStringLiteral("question"), caption, text});
    if (onShow)
        onShow();
    return answer;
}

QStringList FakeSystem::logged(const QString& action) const
{
    QStringList out;
    for (const QString& line : log.lines()) {
        if (line == action || line.startsWith(action + u'\t'))
            out.append(line);
    }
    return out;
}

} // namespace zentari::test
