#include "audio_sdl.h"

#include "core/error.h"

#include <QFile>

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace zentari {

namespace {

constexpr int sampleRate = 44100;
constexpr int bufferFrames = 1024; // about 23 ms: short enough for a beep to end on time
const char* const timidityConfig = "/etc/timidity/freepats.cfg";

bool openOutput()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    if (Mix_OpenAudio(sampleRate, AUDIO_S16SYS, 2, bufferFrames) == 0)
        return true;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
}

// SDL_mixer's MIDI players take any file named .mid and play nothing for a
// moment; a file without a MIDI header must fail to open like other garbage.
bool hasMidiHeader(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(12);
    return head.startsWith("MThd") || (head.startsWith("RIFF") && head.mid(8, 4) == "RMID");
}

} // namespace

// ---- SdlMixer

SdlMixer::~SdlMixer()
{
    if (m_state == State::Audible || m_state == State::Silent) {
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

void SdlMixer::setNotice(std::function<void(const QString&)> notice)
{
    m_notice = std::move(notice);
    if (m_notice && !m_pendingNotice.isEmpty())
        m_notice(std::exchange(m_pendingNotice, QString()));
}

void SdlMixer::tell(const QString& text)
{
    if (m_notice)
        m_notice(text);
    else
        m_pendingNotice = text;
}

bool SdlMixer::ensureOpen()
{
    if (m_state != State::Closed)
        return m_state != State::Failed;

    // SIGINT and SIGTERM belong to the application, not to SDL.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Zentari");
    SDL_ResetHint(SDL_HINT_AUDIODRIVER); // an earlier fallback is not inherited
    if (QFile::exists(QString::fromLatin1(timidityConfig)))
        Mix_SetTimidityCfg(timidityConfig);

    if (openOutput()) {
        m_state = State::Audible;
        return true;
    }
    const QString reason = QString::fromUtf8(SDL_GetError());
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    if (openOutput()) {
        m_state = State::Silent;
        tell(QStringLiteral("Звуковое устройство недоступно (%1). Звуки и сигналы Zentari "
                            "не будут слышны, но будильник продолжит работать.")
                 .arg(reason));
        return true;
    }
    m_state = State::Failed;
    tell(QStringLiteral("Не удалось открыть вывод звука (%1). Звуки и сигналы Zentari "
                        "не будут слышны.")
             .arg(QString::fromUtf8(SDL_GetError())));
    return false;
}

// ---- SdlMediaPlayer

SdlMediaPlayer::~SdlMediaPlayer()
{
    close();
}

void SdlMediaPlayer::open(const QString& file)
{
    close();
    if (!m_mixer.ensureOpen())
        throw Error(
            QStringLiteral("Вывод звука недоступен: файл «%1» не может быть открыт.").arg(file));
    m_music = Mix_LoadMUS(QFile::encodeName(file).constData());
    if (m_music && Mix_GetMusicType(m_music) == MUS_MID && !hasMidiHeader(file)) {
        Mix_FreeMusic(m_music);
        m_music = nullptr;
    }
    if (!m_music)
        throw Error(QStringLiteral("Не удаётся открыть звуковой файл «%1».").arg(file));
    m_file = file;
}

void SdlMediaPlayer::play()
{
    playFadingIn(0);
}

void SdlMediaPlayer::playFadingIn(int seconds)
{
    if (!m_music)
        throw Error(QStringLiteral("Звуковой файл не открыт."));
    const int result =
        seconds > 0 ? Mix_FadeInMusic(m_music, 0, seconds * 1000) : Mix_PlayMusic(m_music, 0);
    if (result != 0)
        throw Error(QStringLiteral("Не удаётся воспроизвести звуковой файл «%1».").arg(m_file));
}

void SdlMediaPlayer::close()
{
    if (!m_music)
        return;
    Mix_HaltMusic();
    Mix_FreeMusic(m_music);
    m_music = nullptr;
    m_file.clear();
}

MediaPlayer::Mode SdlMediaPlayer::mode() const
{
    // This player owns the mixer's one music stream, so "music playing" is ours.
    if (!m_music)
        return Mode::NotOpen;
    return Mix_PlayingMusic() ? Mode::Playing : Mode::Stopped;
}

// ---- SdlBeeper

namespace {

// Longer tones repeat a chunk of this length instead of holding it all in memory.
constexpr int maxChunkMs = 10000;

std::vector<qint16> sineTone(int frequencyHz, int durationMs, int rate, int channels)
{
    const int frames = int(qint64(rate) * durationMs / 1000);
    const int fadeFrames = std::min(rate / 200, frames / 2); // 5 ms against clicks
    std::vector<qint16> samples(size_t(frames) * channels);
    const double step = 2 * std::numbers::pi * std::max(frequencyHz, 0) / rate;
    for (int i = 0; i < frames; ++i) {
        double gain = 0.5;
        if (i < fadeFrames)
            gain *= double(i) / fadeFrames;
        else if (frames - i <= fadeFrames)
            gain *= double(frames - i) / fadeFrames;
        const auto value = qint16(std::lround(gain * 32767 * std::sin(step * i)));
        std::fill_n(samples.begin() + ptrdiff_t(i) * channels, channels, value);
    }
    return samples;
}

} // namespace

SdlBeeper::~SdlBeeper()
{
    stop();
}

void SdlBeeper::beep(int frequencyHz, int durationMs)
{
    stop(); // the new tone replaces the one that sounds
    if (durationMs <= 0)
        return;
    int rate = 0, channels = 0;
    Uint16 format = 0;
    if (!m_mixer.ensureOpen() || !Mix_QuerySpec(&rate, &format, &channels) ||
        format != AUDIO_S16SYS)
        return; // nowhere to sound it; the mixer has said so once

    m_samples = sineTone(frequencyHz, std::min(durationMs, maxChunkMs), rate, channels);
    m_chunk = Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(m_samples.data()),
                                Uint32(m_samples.size() * sizeof(qint16)));
    if (!m_chunk) {
        stop();
        return;
    }
    m_channel = durationMs <= maxChunkMs ? Mix_PlayChannel(-1, m_chunk, 0)
                                         : Mix_PlayChannelTimed(-1, m_chunk, -1, durationMs);
    if (m_channel < 0)
        stop();
}

void SdlBeeper::stop()
{
    if (m_channel >= 0)
        Mix_HaltChannel(m_channel);
    if (m_chunk)
        Mix_FreeChunk(m_chunk); // after the halt: the mixer no longer reads the samples
    m_chunk = nullptr;
    m_channel = -1;
    std::vector<qint16>().swap(m_samples);
}

bool SdlBeeper::sounding() const
{
    return m_channel >= 0 && Mix_Playing(m_channel) != 0 && Mix_GetChunk(m_channel) == m_chunk;
}

} // namespace zentari
