#pragma once
// Sounds through libcanberra, loaded when the first sound is played; without
// the library every sound is silence.

#include "monitor/ui/SoundPlayer.h"

namespace monitor {

class CanberraSoundPlayer : public SoundPlayer {
public:
    CanberraSoundPlayer() = default;
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    void play(const std::string& fileName) override;

private:
    bool load();

    enum class LoadState { NotTried, Loaded, Missing };
    LoadState m_state = LoadState::NotTried;
    void* m_library = nullptr;
    void* m_context = nullptr;
    int (*m_destroy)(void*) = nullptr;
    int (*m_play)(void*, uint32_t, ...) = nullptr;
};

} // namespace monitor
