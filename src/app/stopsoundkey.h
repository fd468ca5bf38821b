#pragma once

#include <QObject>
#include <functional>

namespace zentari {

// While a sound plays, Escape in any window of the program stops it, as
// "Остановить звук" does. That command lives in the clock's menu, and the
// clock is hidden while the settings window is open, with the editors and
// boxes over it modal: the key reaches the sound from wherever the user is.
// Watches the whole application; the key does nothing else while it stops a sound.
class StopSoundKey : public QObject
{
public:
    StopSoundKey(std::function<bool()> playing, std::function<void()> stop,
                 QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    std::function<bool()> m_playing;
    std::function<void()> m_stop;
};

} // namespace zentari
