#pragma once

#include "platform/audioplugin.h"

#include <QLibrary>
#include <memory>

namespace zentari {

// Loads the sound plug-in at the first sound and hands the player and the
// beeper through to it. Until then the player is simply not open.
class LazyAudio
{
public:
    // pluginPath: the plug-in file; by default libzentari_audio.so beside the executable.
    explicit LazyAudio(QString pluginPath = {});
    ~LazyAudio();

    MediaPlayer& player() { return m_player; }
    Beeper& beeper() { return m_beeper; }
    void setNotice(std::function<void(const QString&)> notice);

    // The loaded back end, or nullptr when the plug-in cannot be loaded
    // (said once through the notice).
    AudioBackend* backend();
    bool loaded() const { return m_backend != nullptr; }

private:
    class Player : public MediaPlayer
    {
    public:
        explicit Player(LazyAudio& audio) : m_audio(audio) {}
        void open(const QString& file) override;
        void play() override;
        void playFadingIn(int seconds) override;
        void close() override;
        Mode mode() const override;

    private:
        LazyAudio& m_audio;
    };
    class Sound : public Beeper
    {
    public:
        explicit Sound(LazyAudio& audio) : m_audio(audio) {}
        void beep(int frequencyHz, int durationMs) override;
        void stop() override;
        bool sounding() const override;

    private:
        LazyAudio& m_audio;
    };

    QString m_pluginPath;
    QLibrary m_library;
    std::unique_ptr<AudioBackend> m_backend;
    bool m_failed = false;
    std::function<void(const QString&)> m_notice;
    QString m_pendingNotice;
    Player m_player{*this};
    Sound m_beeper{*this};
};

} // namespace zentari
