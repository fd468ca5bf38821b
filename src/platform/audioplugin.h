#pragma once

#include "services.h"

#include <functional>

namespace zentari {

// What the sound plug-in hands out. The plug-in (libzentari_audio.so beside the
// executable) carries SDL2_mixer and its decoders, which are loaded only when
// the first sound is asked for: an idle clock never pays for them.
class AudioBackend
{
public:
    virtual ~AudioBackend() = default;
    virtual MediaPlayer& player() = 0;
    virtual Beeper& beeper() = 0;
    virtual void setNotice(std::function<void(const QString&)> notice) = 0;
};

// The plug-in's one exported function: extern "C" AudioBackend* zentari_create_audio_backend().
inline constexpr char kAudioBackendFactory[] = "zentari_create_audio_backend";
using AudioBackendFactory = AudioBackend* (*)();

} // namespace zentari
