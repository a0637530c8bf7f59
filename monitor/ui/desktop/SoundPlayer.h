#pragma once
// Plays a sound file without waiting for it. A missing file or no audio
// device is silence.

#include <string>

namespace monitor {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const std::string& fileName) = 0;
};

} // namespace monitor
