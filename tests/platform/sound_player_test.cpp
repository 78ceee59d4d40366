// The mail sound, played through ALSA into its file plugin: what reaches the device is
// exactly what the wave file holds, and a missing or unplayable file plays nothing.

#include "platform/sound_player.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_dir.h"

namespace linkvane {
namespace {

class SoundPlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // ALSA reads ~/.asoundrc: the default device becomes a file of raw samples.
        setenv("HOME", m_dir.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_dir.path() / "config").c_str(), 1);
        std::ofstream(m_dir.path() / ".asoundrc")
            << "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \"" << Captured().string()
            << "\"\n  format \"raw\"\n}\n";
    }

    std::filesystem::path Captured() const { return m_dir.path() / "captured.raw"; }
    std::filesystem::path Path(const char* name) const { return m_dir.path() / name; }

    // Writes a wave of 16-bit samples; returns their bytes as the device would receive them.
    std::string WriteWave(const std::filesystem::path& path, int frames) const {
        std::vector<short> samples;
        for (int i = 0; i < frames; ++i)
            samples.push_back(static_cast<short>((i * 97) % 20000 - 10000));
        SF_INFO info{};
        info.samplerate = 8000;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr);
        sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
        sf_close(file);
        return std::string(reinterpret_cast<const char*>(samples.data()),
                           samples.size() * sizeof(short));
    }

  private:
    testing::TempDir m_dir;
};

TEST_F(SoundPlayerTest, PlaysTheWholeWaveBeforeReturningAndNothingForBadFiles) {
    for (const char* name : {"missing.wav", "not-a-wave.wav", ""}) {
        if (std::string(name) == "not-a-wave.wav")
            std::ofstream(Path(name)) << "RIFF but not really";
        PlaySoundFile(*name == '\0' ? std::string() : Path(name).string());
        EXPECT_FALSE(std::filesystem::exists(Captured())) << name;
    }
    const std::string played = WriteWave(Path("ding.wav"), 1200);
    PlaySoundFile(Path("ding.wav").string());
    EXPECT_EQ(testing::ReadFileText(Captured()), played);
}

}  // namespace
}  // namespace linkvane
