#include "core/error.h"
#include "platform/audio_sdl.h"
#include "soundfiles.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>

using namespace zentari;
using Mode = MediaPlayer::Mode;

// The tests run on SDL's silent "dummy" driver (SDL_AUDIODRIVER=dummy), which
// still takes a sound's time to play it.
namespace {

class SdlAudioTest : public ::testing::Test
{
protected:
    QString file(const QString& name) const { return m_dir.filePath(name); }
    QString tone(int ms)
    {
        const QString path = file(QStringLiteral("tone%1.wav").arg(ms));
        test::writeToneWav(path, ms);
        return path;
    }
    bool waitForMode(Mode wanted, int timeoutMs = 10000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (m_player.mode() != wanted && !deadline.hasExpired())
            QThread::msleep(10);
        return m_player.mode() == wanted;
    }

    QTemporaryDir m_dir;
    SdlMixer m_mixer;
    SdlMediaPlayer m_player{m_mixer};
    SdlBeeper m_beeper{m_mixer};
};

} // namespace

TEST_F(SdlAudioTest, NothingStartsBeforeTheFirstSound)
{
    EXPECT_EQ(m_player.mode(), Mode::NotOpen);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

TEST_F(SdlAudioTest, ModesFollowTheSound)
{
    m_player.open(tone(400));
    EXPECT_EQ(m_player.mode(), Mode::Stopped);
    m_player.play();
    EXPECT_EQ(m_player.mode(), Mode::Playing);
    EXPECT_TRUE(waitForMode(Mode::Stopped));
    m_player.close();
    EXPECT_EQ(m_player.mode(), Mode::NotOpen);
}

TEST_F(SdlAudioTest, EndedSoundPlaysAgainFromItsStart)
{
    m_player.open(tone(300));
    m_player.play();
    ASSERT_TRUE(waitForMode(Mode::Stopped));
    m_player.play();
    EXPECT_EQ(m_player.mode(), Mode::Playing);
    EXPECT_TRUE(waitForMode(Mode::Stopped));
}

TEST_F(SdlAudioTest, AFadingInSoundRisesThenPlaysToItsEndAndAPlainReplayDoesNotFade)
{
    EXPECT_THROW(m_player.playFadingIn(2), Error);
    m_player.open(tone(1500));
    m_player.playFadingIn(1);
    EXPECT_EQ(m_player.mode(), Mode::Playing);
    EXPECT_EQ(Mix_FadingMusic(), MIX_FADING_IN);
    ASSERT_TRUE(waitForMode(Mode::Stopped));
    m_player.play();
    EXPECT_EQ(Mix_FadingMusic(), MIX_NO_FADING);
    EXPECT_EQ(Mix_VolumeMusic(-1), MIX_MAX_VOLUME); // the fade left the volume full
}

TEST_F(SdlAudioTest, SoundTakesItsTimeOnTheSilentDriver)
{
    m_player.open(tone(1000));
    QElapsedTimer timer;
    timer.start();
    m_player.play();
    ASSERT_TRUE(waitForMode(Mode::Stopped));
    EXPECT_GT(timer.elapsed(), 500); // not at once, as a driver that drops sound would
}

TEST_F(SdlAudioTest, NewOpenReplacesWhatPlays)
{
    m_player.open(tone(5000));
    m_player.play();
    m_player.open(tone(300));
    EXPECT_EQ(m_player.mode(), Mode::Stopped);
    m_player.play();
    EXPECT_TRUE(waitForMode(Mode::Stopped, 4000)); // the long sound is gone
}

TEST_F(SdlAudioTest, MidiPlaysThroughTimidity)
{
    test::writeShortMidi(file(QStringLiteral("alarm.mid")));
    m_player.open(file(QStringLiteral("alarm.mid")));
    m_player.play();
    EXPECT_EQ(m_player.mode(), Mode::Playing);
    EXPECT_TRUE(waitForMode(Mode::Stopped));
}

TEST_F(SdlAudioTest, Mp3OggAndMidiDecodersAreThere)
{
    ASSERT_TRUE(m_mixer.ensureOpen());
    const int wanted = MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_MID;
    EXPECT_EQ(Mix_Init(wanted) & wanted, wanted);
}

TEST_F(SdlAudioTest, UnopenableFilesThrow)
{
    QFile garbage(file(QStringLiteral("garbage.wav")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();

    m_player.open(tone(300));
    EXPECT_THROW(m_player.open(garbage.fileName()), Error);
    EXPECT_EQ(m_player.mode(), Mode::NotOpen); // the failed open still replaced the old sound
    EXPECT_THROW(m_player.open(file(QStringLiteral("missing.mp3"))), Error);
    QFile::copy(garbage.fileName(), file(QStringLiteral("garbage.mid")));
    EXPECT_THROW(m_player.open(file(QStringLiteral("garbage.mid"))), Error);
    QFile::copy(garbage.fileName(), file(QStringLiteral("garbage.mp3")));
    EXPECT_THROW(m_player.open(file(QStringLiteral("garbage.mp3"))), Error);
    EXPECT_THROW(m_player.play(), Error);
}

// The reminder signal may last a minute: it must sound beside the clock's
// tick, not in it.
TEST_F(SdlAudioTest, BeepSoundsBesideTheCallerForItsDurationAndANewOneReplacesIt)
{
    QElapsedTimer timer;
    timer.start();
    m_beeper.beep(1000, 30000);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(m_beeper.sounding());
    QThread::msleep(300);
    EXPECT_TRUE(m_beeper.sounding());

    // A short beep asked for meanwhile replaces the long one and ends on its own.
    timer.restart();
    m_beeper.beep(440, 300);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(m_beeper.sounding());
    QDeadlineTimer deadline(5000);
    while (m_beeper.sounding() && !deadline.hasExpired())
        QThread::msleep(10);
    EXPECT_FALSE(m_beeper.sounding());
    EXPECT_GT(timer.elapsed(), 200);

    m_beeper.beep(1000, 30000);
    m_beeper.stop();
    EXPECT_FALSE(m_beeper.sounding());
}

TEST_F(SdlAudioTest, BeepBesideMusicLeavesThePlayerAlone)
{
    m_player.open(tone(3000));
    m_player.play();
    m_beeper.beep(440, 100);
    m_beeper.beep(0, 50); // no pitch: silence of that length
    EXPECT_EQ(m_player.mode(), Mode::Playing);
}

TEST(SdlMixerNotice, MissingDeviceFallsBackAndSaysSoOnce)
{
    const QByteArray driver = qgetenv("SDL_AUDIODRIVER");
    qputenv("SDL_AUDIODRIVER", "zentari-no-such-driver");
    QStringList notices;
    {
        SdlMixer mixer;
        mixer.setNotice([&](const QString& text) { notices.append(text); });
        SdlBeeper beeper(mixer);
        SdlMediaPlayer player(mixer);
        QTemporaryDir dir;
        test::writeToneWav(dir.filePath(QStringLiteral("t.wav")), 200);

        beeper.beep(880, 300);
        EXPECT_TRUE(beeper.sounding());
        player.open(dir.filePath(QStringLiteral("t.wav")));
        player.play();
        EXPECT_EQ(player.mode(), Mode::Playing);
        EXPECT_TRUE(mixer.silent());
    }
    qputenv("SDL_AUDIODRIVER", driver);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices.first().contains(QStringLiteral("Звуковое устройство недоступно")));
}

TEST(SdlMixerNotice, NoticeBeforeTheCallbackIsHandedOverLater)
{
    const QByteArray driver = qgetenv("SDL_AUDIODRIVER");
    qputenv("SDL_AUDIODRIVER", "zentari-no-such-driver");
    SdlMixer mixer;
    ASSERT_TRUE(mixer.ensureOpen());
    qputenv("SDL_AUDIODRIVER", driver);
    QStringList notices;
    mixer.setNotice([&](const QString& text) { notices.append(text); });
    EXPECT_EQ(notices.size(), 1);
}
