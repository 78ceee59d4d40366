#include "platform/sound_player.h"

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <memory>
#include <vector>

namespace linkvane {
namespace {

struct SoundFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};

constexpr unsigned kLatencyMicroseconds = 200000;

// ALSA prints its errors (no card, a bad configuration) on stderr; the mail sound says nothing.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
constexpr sf_count_t kFramesPerWrite = 4096;

}  // namespace

void PlaySoundFile(const std::string& path) {
    if (path.empty())
        return;
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, SoundFileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file || info.channels <= 0 || info.samplerate <= 0)
        return;
    snd_lib_error_set_handler(IgnoreAlsaError);
    snd_pcm_t* opened = nullptr;
    if (snd_pcm_open(&opened, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return;
    const std::unique_ptr<snd_pcm_t, PcmCloser> pcm(opened);
    if (snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
                           static_cast<unsigned>(info.channels),
                           static_cast<unsigned>(info.samplerate), 1, kLatencyMicroseconds) < 0) {
        return;
    }
    std::vector<short> samples(static_cast<std::size_t>(kFramesPerWrite * info.channels));
    for (;;) {
        const sf_count_t frames = sf_readf_short(file.get(), samples.data(), kFramesPerWrite);
        if (frames <= 0)
            break;
        const short* next = samples.data();
        auto left = static_cast<snd_pcm_uframes_t>(frames);
        while (left > 0) {
            snd_pcm_sframes_t written = snd_pcm_writei(pcm.get(), next, left);
            if (written < 0)
                written = snd_pcm_recover(pcm.get(), static_cast<int>(written), 1);
            if (written < 0)
                return;
            left -= static_cast<snd_pcm_uframes_t>(written);
            next += written * info.channels;
        }
    }
    snd_pcm_drain(pcm.get());
}

}  // namespace linkvane
