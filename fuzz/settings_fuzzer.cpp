// Fuzz target for the programs' settings on top of the settings file: the
// input is the file beside the program. The monitor (MonitorSettings through
// SettingsStore) and the turbo monitor (TurboSettings) must load it, save
// into it and load again without a crash, and keep their promises:
// - what a save stored loads back as the same settings, and saving those
//   again changes nothing (the rules that tidy values on load are stable);
// - the turbo monitor's save leaves every monitor setting as it was, and the
//   monitor's saves leave the turbo monitor's settings as they were.
// The RivaTuner path is pointed into the scratch folder, so the plug-in's
// configuration is written there too and nowhere else.
// The same entry point replays the seed corpus as an ordinary test.

#include "fuzz/FuzzScratch.h"
#include "monitor/settings/SettingsStore.h"
#include "platform/IniFile.h"
#include "turbo/TurboSettings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

using monitor::MonitorSettings;
using monitor::WriteResult;

namespace {

void check(bool ok, const char* what)
{
    fuzz::check(ok, "settings_fuzzer", what);
}

MonitorSettings loadMonitor(const std::string& path, const monitor::ProcessorFacts& processor,
                            const monitor::SettingsLayout& layout)
{
    MonitorSettings settings;
    monitor::LoadFonts(settings, path, layout);
    monitor::LoadAll(settings, path, processor, layout);
    return settings;
}

bool sameTurbo(const turbo::TurboSettings& a, const turbo::TurboSettings& b)
{
    return a.loadFilter == b.loadFilter && a.logFormat == b.logFormat;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (size > platform::IniFile::kMaxSize)
        return 0;
    const std::string& folder = fuzz::scratchFolder();
    const std::string path = folder + "/Ostrel.ini";
    static const bool pluginFolder = [&] {
        std::error_code ignored;
        std::filesystem::create_directories(folder + "/PlugIns/Monitoring", ignored);
        return true;
    }();
    (void)pluginFolder;

    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    check(fd >= 0 && ::write(fd, bytes.data(), size) == static_cast<ssize_t>(size),
          "the input can be put in the scratch folder");
    ::close(fd);

    uint32_t hash = 2166136261u;
    for (const char c : bytes)
        hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    const monitor::SettingsLayout& layout =
        (hash & 1) ? monitor::SixCoreSettings : monitor::FourCoreSettings;
    monitor::ProcessorFacts processor;
    processor.signature = 0x106A5;
    processor.brandString = "Fuzzed CPU @ 2.66GHz";
    const int cores = 1 + static_cast<int>((hash >> 1) % static_cast<uint32_t>(layout.coreKeys));
    for (int core = 0; core < cores; ++core)
        processor.coreCpu[core] = core;
    processor.nehalemClass = (hash >> 4) & 1;
    processor.sandyBridgeClass = (hash >> 5) & 1;

    const turbo::TurboSettings turboBefore = turbo::TurboSettings::load(platform::IniFile(path));

    MonitorSettings loaded = loadMonitor(path, processor, layout);
    loaded.RivaFile = folder + "/RivaTuner.exe";
    check(monitor::SaveAll(loaded, path, processor, layout) == WriteResult::Written,
          "the settings window's keys save");
    check(monitor::SaveFont(loaded, path) == WriteResult::Written, "the font keys save");
    const MonitorSettings saved = loadMonitor(path, processor, layout);
    check(saved.RivaFile == loaded.RivaFile, "the RivaTuner path loads back");
    check(saved.lfFaceName == loaded.lfFaceName && saved.lfHeight == loaded.lfHeight,
          "the font loads back");

    check(monitor::SaveAll(saved, path, processor, layout) == WriteResult::Written,
          "the settings save a second time");
    check(monitor::SaveFont(saved, path) == WriteResult::Written, "the font saves a second time");
    check(loadMonitor(path, processor, layout) == saved, "saving loaded settings changes nothing");

    platform::IniFile file(path);
    const turbo::TurboSettings turboAfter = turbo::TurboSettings::load(file);
    check(sameTurbo(turboAfter, turboBefore), "the monitor's saves keep the turbo settings");
    turbo::TurboSettings changed = turboAfter;
    changed.loadFilter = static_cast<int>((hash >> 8) % 100);
    changed.logFormat = (hash >> 16) & 1 ? turbo::LogFormat::Csv : turbo::LogFormat::Text;
    check(changed.save(file), "the turbo settings save");
    check(sameTurbo(turbo::TurboSettings::load(platform::IniFile(path)), changed),
          "the turbo settings load back");
    check(loadMonitor(path, processor, layout) == saved,
          "the turbo settings' save keeps the monitor's settings");
    return 0;
}
