#include "monitor/ui/desktop/CanberraSoundPlayer.h"

#include "platform/ProgramPath.h"

#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace monitor {

namespace {

// libcanberra's property names (canberra.h).
constexpr const char* MediaFilename = "media.filename";
constexpr const char* ApplicationName = "application.name";

// ALSA's error handler (asoundlib.h): without one of its own, the library
// prints every failed device lookup on standard error, eight lines for each
// sound on a machine without audio.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int err, const char* fmt, ...);
using SetAlsaErrorHandler = int (*)(AlsaErrorHandler);

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

void printOnStandardError(const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); }

} // namespace

CanberraSoundPlayer::CanberraSoundPlayer(Report report)
    : m_report(report ? std::move(report) : Report(printOnStandardError))
{
}

CanberraSoundPlayer::~CanberraSoundPlayer()
{
    if (m_context && m_destroy)
        m_destroy(m_context);
    if (m_library)
        dlclose(m_library);
    if (m_alsa) {
        if (const auto setHandler = reinterpret_cast<SetAlsaErrorHandler>(dlsym(m_alsa, "snd_lib_error_set_handler")))
            setHandler(nullptr);
        dlclose(m_alsa);
    }
}

void CanberraSoundPlayer::silenceAlsa()
{
    // The same copy of the library that libcanberra's ALSA back end loads.
    m_alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!m_alsa)
        return;
    if (const auto setHandler = reinterpret_cast<SetAlsaErrorHandler>(dlsym(m_alsa, "snd_lib_error_set_handler")))
        setHandler(quietAlsa);
}

bool CanberraSoundPlayer::load()
{
    if (m_state != LoadState::NotTried)
        return m_state == LoadState::Loaded;
    m_state = LoadState::Missing;
    silenceAlsa();
    m_library = dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!m_library) {
        m_loadProblem = "the sound library libcanberra.so.0 is missing; install it (the package libcanberra0)";
        return false;
    }
    using Create = int (*)(void**);
    using ChangeProps = int (*)(void*, ...);
    const auto create = reinterpret_cast<Create>(dlsym(m_library, "ca_context_create"));
    const auto changeProps = reinterpret_cast<ChangeProps>(dlsym(m_library, "ca_context_change_props"));
    m_destroy = reinterpret_cast<int (*)(void*)>(dlsym(m_library, "ca_context_destroy"));
    m_play = reinterpret_cast<int (*)(void*, uint32_t, ...)>(dlsym(m_library, "ca_context_play"));
    m_describe = reinterpret_cast<const char* (*)(int)>(dlsym(m_library, "ca_strerror"));
    if (!create || !m_destroy || !m_play || create(&m_context) != 0 || !m_context) {
        m_context = nullptr;
        m_loadProblem = "the sound library libcanberra.so.0 could not be started; reinstall it (the package "
                        "libcanberra0)";
        return false;
    }
    if (changeProps)
        changeProps(m_context, ApplicationName, "Ostrel", static_cast<const char*>(nullptr));
    m_state = LoadState::Loaded;
    return true;
}

void CanberraSoundPlayer::play(const std::string& fileName)
{
    // A bare name is looked for in the current folder, beside the program
    // (the build tree) and in the installed data folder, so starting the
    // program from another folder or from the menu does not silence it.
    const std::string path = platform::programDataFile(fileName, platform::programPath());
    if (::access(path.c_str(), R_OK) != 0)
        return;
    if (!load()) {
        reportOnce(path, m_loadProblem);
        return;
    }
    // Returns at once; the sound plays in the background.
    const int error = m_play(m_context, 0, MediaFilename, path.c_str(), static_cast<const char*>(nullptr));
    if (error != 0) {
        const std::string detail = m_describe && m_describe(error) ? m_describe(error) : std::to_string(error);
        reportOnce(path, "the sound library answered \"" + detail +
                             "\"; check that the computer has a sound device and a running sound server, "
                             "for example with 'aplay -l' and 'pactl info'");
    }
}

void CanberraSoundPlayer::reportOnce(const std::string& path, const std::string& reason)
{
    if (m_reported)
        return;
    m_reported = true;
    m_report(std::string(program_invocation_short_name) + ": the alarm sound " + path + " cannot be played: " +
             reason + ". The alarm goes on without sound.");
}

} // namespace monitor
