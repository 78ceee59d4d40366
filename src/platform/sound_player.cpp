#include "platform/sound_player.h"

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/dynamic_library.h"

namespace linkvane {
namespace {

// libsndfile and ALSA, with the codecs libsndfile brings, are loaded at the first sound
// rather than at start-up: a run that plays no sound never carries them. Loaded once for the
// process and never unloaded; unchanged afterwards, so any thread may use them.
struct SoundLibraries {
    decltype(&::sf_open) sfOpen = nullptr;
    decltype(&::sf_readf_short) sfReadShort = nullptr;
    decltype(&::sf_close) sfClose = nullptr;
    decltype(&::snd_lib_error_set_handler) setErrorHandler = nullptr;
    decltype(&::snd_pcm_open) pcmOpen = nullptr;
    decltype(&::snd_pcm_set_params) pcmSetParams = nullptr;
    decltype(&::snd_pcm_writei) pcmWrite = nullptr;
    decltype(&::snd_pcm_recover) pcmRecover = nullptr;
    decltype(&::snd_pcm_drain) pcmDrain = nullptr;
    decltype(&::snd_pcm_close) pcmClose = nullptr;
};

std::optional<SoundLibraries> LoadLibraries() {
    void* sndfile = ::dlopen("libsndfile.so.1", RTLD_NOW | RTLD_LOCAL);
    void* alsa = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    SoundLibraries found;
    const bool complete = sndfile != nullptr && alsa != nullptr &&
                          FindFunction(sndfile, "sf_open", found.sfOpen) &&
                          FindFunction(sndfile, "sf_readf_short", found.sfReadShort) &&
                          FindFunction(sndfile, "sf_close", found.sfClose) &&
                          FindFunction(alsa, "snd_lib_error_set_handler", found.setErrorHandler) &&
                          FindFunction(alsa, "snd_pcm_open", found.pcmOpen) &&
                          FindFunction(alsa, "snd_pcm_set_params", found.pcmSetParams) &&
                          FindFunction(alsa, "snd_pcm_writei", found.pcmWrite) &&
                          FindFunction(alsa, "snd_pcm_recover", found.pcmRecover) &&
                          FindFunction(alsa, "snd_pcm_drain", found.pcmDrain) &&
                          FindFunction(alsa, "snd_pcm_close", found.pcmClose);
    if (!complete)
        return std::nullopt;
    return found;
}

// nullptr when the libraries or one of their functions cannot be had: no sound then.
const SoundLibraries* Libraries() {
    static const std::optional<SoundLibraries> loaded = LoadLibraries();
    return loaded ? &*loaded : nullptr;
}

constexpr unsigned kLatencyMicroseconds = 200000;

// ALSA prints its errors (no card, a bad configuration) on stderr; the mail sound says nothing.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
constexpr sf_count_t kFramesPerWrite = 4096;

}  // namespace

void PlaySoundFile(const std::string& path) {
    const SoundLibraries* lib = path.empty() ? nullptr : Libraries();
    if (lib == nullptr)
        return;
    SF_INFO info{};
    const auto closeFile = [lib](SNDFILE* file) { lib->sfClose(file); };
    const std::unique_ptr<SNDFILE, decltype(closeFile)> file(
        lib->sfOpen(path.c_str(), SFM_READ, &info), closeFile);
    if (!file || info.channels <= 0 || info.samplerate <= 0)
        return;
    lib->setErrorHandler(IgnoreAlsaError);
    snd_pcm_t* opened = nullptr;
    if (lib->pcmOpen(&opened, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return;
    const auto closePcm = [lib](snd_pcm_t* pcm) { lib->pcmClose(pcm); };
    const std::unique_ptr<snd_pcm_t, decltype(closePcm)> pcm(opened, closePcm);
    if (lib->pcmSetParams(pcm.get(), SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
                          static_cast<unsigned>(info.channels),
                          static_cast<unsigned>(info.samplerate), 1, kLatencyMicroseconds) < 0) {
        return;
    }
    std::vector<short> samples(static_cast<std::size_t>(kFramesPerWrite * info.channels));
    for (;;) {
        const sf_count_t frames = lib->sfReadShort(file.get(), samples.data(), kFramesPerWrite);
        if (frames <= 0)
            break;
        const short* next = samples.data();
        auto left = static_cast<snd_pcm_uframes_t>(frames);
        while (left > 0) {
            snd_pcm_sframes_t written = lib->pcmWrite(pcm.get(), next, left);
            if (written < 0)
                written = lib->pcmRecover(pcm.get(), static_cast<int>(written), 1);
            if (written < 0)
                return;
            left -= static_cast<snd_pcm_uframes_t>(written);
            next += written * info.channels;
        }
    }
    lib->pcmDrain(pcm.get());
}

}  // namespace linkvane
