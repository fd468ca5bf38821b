#pragma once

#include "services.h"

#include <functional>

struct _Mix_Music;

namespace zentari {

// The one SDL_mixer output shared by the player and the beeper. Nothing is
// initialised until the first sound: the clock stays small and idle until then.
// Where no audio device opens, SDL's silent "dummy" driver stands in, so that
// sounds still take their time and the player's modes stay true.
class SdlMixer
{
public:
    SdlMixer() = default;
    ~SdlMixer();
    SdlMixer(const SdlMixer&) = delete;
    SdlMixer& operator=(const SdlMixer&) = delete;

    // Told once, in Russian, when sounds cannot be heard. A notice that came
    // before the callback was set is handed over at once.
    void setNotice(std::function<void(const QString&)> notice);

    // Opens the output at the first call. False when not even the silent
    // driver could be opened.
    bool ensureOpen();
    bool silent() const { return m_state != State::Audible; }

private:
    enum class State
    {
        Closed,
        Audible,
        Silent,
        Failed
    };
    void tell(const QString& text);

    State m_state = State::Closed;
    std::function<void(const QString&)> m_notice;
    QString m_pendingNotice;
};

// MediaPlayer over SDL_mixer's music stream: mp3, wav, ogg and mid (MIDI through
// the built-in Timidity with the freepats instruments).
class SdlMediaPlayer : public MediaPlayer
{
public:
    explicit SdlMediaPlayer(SdlMixer& mixer) : m_mixer(mixer) {}
    ~SdlMediaPlayer() override;
    SdlMediaPlayer(const SdlMediaPlayer&) = delete;
    SdlMediaPlayer& operator=(const SdlMediaPlayer&) = delete;

    void open(const QString& file) override;
    void play() override;
    void close() override;
    Mode mode() const override;

private:
    SdlMixer& m_mixer;
    _Mix_Music* m_music = nullptr;
    QString m_file;
};

// A sine tone on a mixer channel; beep() blocks until it has sounded.
class SdlBeeper : public Beeper
{
public:
    explicit SdlBeeper(SdlMixer& mixer) : m_mixer(mixer) {}
    void beep(int frequencyHz, int durationMs) override;

private:
    SdlMixer& m_mixer;
};

} // namespace zentari
