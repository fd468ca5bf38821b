#pragma once

#include "platform/services.h"

#include <functional>
#include <vector>

struct _Mix_Music;
struct Mix_Chunk;

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
    void playFadingIn(int seconds) override;
    void close() override;
    Mode mode() const override;

private:
    SdlMixer& m_mixer;
    _Mix_Music* m_music = nullptr;
    QString m_file;
};

// A sine tone on a mixer channel. beep() starts it and returns; the mixer's
// own thread plays it out. The tone's samples are kept until the next beep or
// stop(), since the mixer reads them while it sounds.
class SdlBeeper : public Beeper
{
public:
    explicit SdlBeeper(SdlMixer& mixer) : m_mixer(mixer) {}
    ~SdlBeeper() override;
    SdlBeeper(const SdlBeeper&) = delete;
    SdlBeeper& operator=(const SdlBeeper&) = delete;

    void beep(int frequencyHz, int durationMs) override;
    void stop() override;
    bool sounding() const override;

private:
    SdlMixer& m_mixer;
    std::vector<qint16> m_samples;
    Mix_Chunk* m_chunk = nullptr;
    int m_channel = -1;
};

} // namespace zentari
