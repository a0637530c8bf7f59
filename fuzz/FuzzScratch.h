#pragma once
// A scratch folder for the fuzz targets that write files: made once per
// process in memory-backed /dev/shm where there is one, removed at exit.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzz {

inline const std::string& scratchFolder()
{
    static const std::string folder = [] {
        namespace fs = std::filesystem;
        const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                           : fs::temp_directory_path();
        std::string pattern = (base / "ostrel-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("fuzz: cannot create a scratch folder (mkdtemp)");
            std::abort();
        }
        static const std::string made = pattern;
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(made, ignored);
        });
        return pattern;
    }();
    return folder;
}

inline void check(bool ok, const char* target, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "%s: broken promise: %s\n", target, what);
        std::abort();
    }
}

} // namespace fuzz
