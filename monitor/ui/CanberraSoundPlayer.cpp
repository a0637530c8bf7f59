#include "monitor/ui/CanberraSoundPlayer.h"

#include "platform/ProgramPath.h"

#include <dlfcn.h>
#include <cstdint>

namespace monitor {

namespace {

// libcanberra's property names (canberra.h).
constexpr const char* MediaFilename = "media.filename";
constexpr const char* ApplicationName = "application.name";

} // namespace

CanberraSoundPlayer::~CanberraSoundPlayer()
{
    if (m_context && m_destroy)
        m_destroy(m_context);
    if (m_library)
        dlclose(m_library);
}

bool CanberraSoundPlayer::load()
{
    if (m_state != LoadState::NotTried)
        return m_state == LoadState::Loaded;
    m_state = LoadState::Missing;
    m_library = dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!m_library)
        return false;
    using Create = int (*)(void**);
    using ChangeProps = int (*)(void*, ...);
    const auto create = reinterpret_cast<Create>(dlsym(m_library, "ca_context_create"));
    const auto changeProps = reinterpret_cast<ChangeProps>(dlsym(m_library, "ca_context_change_props"));
    m_destroy = reinterpret_cast<int (*)(void*)>(dlsym(m_library, "ca_context_destroy"));
    m_play = reinterpret_cast<int (*)(void*, uint32_t, ...)>(dlsym(m_library, "ca_context_play"));
    if (!create || !m_destroy || !m_play || create(&m_context) != 0 || !m_context) {
        m_context = nullptr;
        return false;
    }
    if (changeProps)
        changeProps(m_context, ApplicationName, "Ostrel", static_cast<const char*>(nullptr));
    m_state = LoadState::Loaded;
    return true;
}

void CanberraSoundPlayer::play(const std::string& fileName)
{
    if (!load())
        return;
    // A bare name is looked for in the current folder, beside the program
    // (the build tree) and in the installed data folder, so starting the
    // program from another folder or from the menu does not silence it.
    const std::string path = platform::programDataFile(fileName, platform::programPath());
    // Returns at once; the sound plays in the background. Errors (no file,
    // no device) are silence.
    m_play(m_context, 0, MediaFilename, path.c_str(), static_cast<const char*>(nullptr));
}

} // namespace monitor
