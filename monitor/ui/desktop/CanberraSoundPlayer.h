#pragma once
// Sounds through libcanberra, loaded when the first sound is played. A sound
// file that is missing is silence. A sound that exists but cannot be played
// (no library, no sound device or server) is told once on standard error,
// with what to check; later failures stay quiet, and so does the sound
// library's own error output.

#include "monitor/ui/desktop/SoundPlayer.h"

#include <functional>

namespace monitor {

class CanberraSoundPlayer : public SoundPlayer {
public:
    // Receives the one message; the default prints it on standard error.
    using Report = std::function<void(const std::string& message)>;

    explicit CanberraSoundPlayer(Report report = {});
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    void play(const std::string& fileName) override;

private:
    bool load();
    void silenceAlsa();
    void reportOnce(const std::string& path, const std::string& reason);

    enum class LoadState { NotTried, Loaded, Missing };
    LoadState m_state = LoadState::NotTried;
    std::string m_loadProblem;
    Report m_report;
    bool m_reported = false;
    void* m_library = nullptr;
    void* m_alsa = nullptr;
    void* m_context = nullptr;
    int (*m_destroy)(void*) = nullptr;
    int (*m_play)(void*, uint32_t, ...) = nullptr;
    const char* (*m_describe)(int) = nullptr;
};

} // namespace monitor
