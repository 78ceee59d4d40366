#pragma once

// The mail sound: a wave file (anything libsndfile reads) played through ALSA's "default"
// device, synchronously: the call returns when the sound has ended. A missing or unplayable
// file, or no sound device, plays nothing and reports nothing. Any thread.

#include <string>

namespace linkvane {

void PlaySoundFile(const std::string& path);

}  // namespace linkvane
