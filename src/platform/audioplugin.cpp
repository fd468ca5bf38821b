// The sound plug-in's entry point: SDL_mixer behind the AudioBackend interface.
#include "audioplugin.h"
#include "audio_sdl.h"

namespace {

class SdlAudioBackend : public zentari::AudioBackend
{
public:
    zentari::MediaPlayer& player() override { return m_player; }
    zentari::Beeper& beeper() override { return m_beeper; }
    void setNotice(std::function<void(const QString&)> notice) override
    {
        m_mixer.setNotice(std::move(notice));
    }

private:
    zentari::SdlMixer m_mixer;
    zentari::SdlMediaPlayer m_player{m_mixer};
    zentari::SdlBeeper m_beeper{m_mixer};
};

} // namespace

extern "C" Q_DECL_EXPORT zentari::AudioBackend* zentari_create_audio_backend()
{
    return new SdlAudioBackend;
}
