#include "core/error.h"
#include "platform/lazyaudio.h"
#include "soundfiles.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zentari;

TEST(LazyAudio, NothingIsLoadedUntilTheFirstSound)
{
    LazyAudio audio(QStringLiteral(ZENTARI_AUDIO_PLUGIN));
    EXPECT_EQ(audio.player().mode(), MediaPlayer::Mode::NotOpen);
    audio.player().close();
    EXPECT_FALSE(audio.loaded());

    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("short.wav"));
    test::writeToneWav(wav, 200);
    audio.player().open(wav);
    EXPECT_TRUE(audio.loaded());
    audio.player().play();
    EXPECT_EQ(audio.player().mode(), MediaPlayer::Mode::Playing);
    EXPECT_THROW(audio.player().open(dir.filePath(QStringLiteral("missing.mp3"))), Error);
}

TEST(LazyAudio, AMissingPlugInIsToldOnceAndNeitherHangsNorCrashes)
{
    LazyAudio audio(QStringLiteral("/nonexistent/libzentari_audio.so"));
    QStringList notices;
    audio.setNotice([&](const QString& t) { notices.append(t); });
    EXPECT_THROW(audio.player().open(QStringLiteral("/tmp/a.mp3")), Error);
    EXPECT_THROW(audio.player().play(), Error);
    QElapsedTimer timer;
    timer.start();
    audio.beeper().beep(1000, 3000);
    EXPECT_LT(timer.elapsed(), 1000); // nothing to hear, and nothing to wait for
    EXPECT_FALSE(audio.beeper().sounding());
    EXPECT_EQ(notices.size(), 1);
    EXPECT_EQ(audio.player().mode(), MediaPlayer::Mode::NotOpen);
}
