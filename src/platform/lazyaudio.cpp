#include "lazyaudio.h"

#include "core/error.h"

#include <QCoreApplication>

namespace zentari {

LazyAudio::LazyAudio(QString pluginPath) : m_pluginPath(std::move(pluginPath))
{
    if (m_pluginPath.isEmpty())
        m_pluginPath =
            QCoreApplication::applicationDirPath() + QStringLiteral("/libzentari_audio.so");
}

// The back end goes before the library whose code it is.
LazyAudio::~LazyAudio()
{
    m_backend.reset();
}

void LazyAudio::setNotice(std::function<void(const QString&)> notice)
{
    m_notice = std::move(notice);
    if (m_backend)
        m_backend->setNotice(m_notice);
    if (m_notice && !m_pendingNotice.isEmpty())
        m_notice(std::exchange(m_pendingNotice, QString()));
}

AudioBackend* LazyAudio::backend()
{
    if (m_backend || m_failed)
        return m_backend.get();
    m_library.setFileName(m_pluginPath);
    const auto create =
        reinterpret_cast<AudioBackendFactory>(m_library.resolve(kAudioBackendFactory));
    if (!create) {
        m_failed = true;
        const QString text =
            QStringLiteral("Звуковой модуль не загружен (%1). Звуки и сигналы "
                           "Zentari не будут слышны, но будильник продолжит работать.")
                .arg(m_library.errorString());
        if (m_notice)
            m_notice(text);
        else
            m_pendingNotice = text;
        return nullptr;
    }
    m_backend.reset(create());
    if (m_notice)
        m_backend->setNotice(m_notice);
    return m_backend.get();
}

void LazyAudio::Player::open(const QString& file)
{
    AudioBackend* backend = m_audio.backend();
    if (!backend)
        throw Error(
            QStringLiteral("Не удалось открыть звук «%1»: звуковой модуль не загружен").arg(file));
    backend->player().open(file);
}

void LazyAudio::Player::play()
{
    AudioBackend* backend = m_audio.backend();
    if (!backend)
        throw Error(QStringLiteral("Звуковой модуль не загружен"));
    backend->player().play();
}

void LazyAudio::Player::playFadingIn(int seconds)
{
    AudioBackend* backend = m_audio.backend();
    if (!backend)
        throw Error(QStringLiteral("Звуковой модуль не загружен"));
    backend->player().playFadingIn(seconds);
}

void LazyAudio::Player::close()
{
    if (m_audio.m_backend)
        m_audio.m_backend->player().close();
}

MediaPlayer::Mode LazyAudio::Player::mode() const
{
    return m_audio.m_backend ? m_audio.m_backend->player().mode() : Mode::NotOpen;
}

void LazyAudio::Sound::beep(int frequencyHz, int durationMs)
{
    // Without the plug-in there is nothing to hear; the notice has said so.
    if (AudioBackend* backend = m_audio.backend())
        backend->beeper().beep(frequencyHz, durationMs);
}

void LazyAudio::Sound::stop()
{
    if (m_audio.m_backend)
        m_audio.m_backend->beeper().stop();
}

bool LazyAudio::Sound::sounding() const
{
    return m_audio.m_backend && m_audio.m_backend->beeper().sounding();
}

} // namespace zentari
