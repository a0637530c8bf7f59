// A stand-in for NVIDIA's management library, built as a shared library and
// loaded with dlopen by the tests. nvmlInit_v2 reads the script named by
// FAKE_NVML_SCRIPT, one line each:
//   init <code>                              what nvmlInit_v2 returns (default 0)
//   driver <text>                            the driver version text
//   gpu <name>|<MiB>|<lanes>|<t>[,<t>...]    one GPU: name ("!" fails the
//       call), memory (-1 fails), link width (-1 fails), and the readings
//       its temperature calls return in turn, the last one repeating ("x"
//       fails that call)

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Gpu {
    std::string name;
    long long mebibytes = 0;
    int lanes = 0;
    std::vector<std::string> readings;
    size_t next = 0;
};

struct Script {
    int init = 0;
    std::string driver = "0.0";
    std::vector<Gpu> gpus;
};

Script script;

constexpr int Success = 0;
constexpr int ErrorInvalidArgument = 2;
constexpr int ErrorInsufficientSize = 7;
constexpr int ErrorUnknown = 999;

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

void load()
{
    script = Script{};
    const char* path = std::getenv("FAKE_NVML_SCRIPT");
    std::ifstream in(path ? path : "");
    for (std::string line; std::getline(in, line);) {
        const size_t blank = line.find(' ');
        const std::string word = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (word == "init") {
            script.init = std::atoi(rest.c_str());
        } else if (word == "driver") {
            script.driver = rest;
        } else if (word == "gpu") {
            const std::vector<std::string> f = split(rest, '|');
            Gpu gpu;
            gpu.name = f.size() > 0 ? f[0] : "";
            gpu.mebibytes = f.size() > 1 ? std::atoll(f[1].c_str()) : 0;
            gpu.lanes = f.size() > 2 ? std::atoi(f[2].c_str()) : 0;
            if (f.size() > 3)
                gpu.readings = split(f[3], ',');
            script.gpus.push_back(gpu);
        }
    }
}

Gpu* gpuOf(void* device)
{
    for (Gpu& gpu : script.gpus)
        if (&gpu == device)
            return &gpu;
    return nullptr;
}

int copy(const std::string& text, char* to, unsigned length)
{
    if (text.size() + 1 > length)
        return ErrorInsufficientSize;
    std::memcpy(to, text.c_str(), text.size() + 1);
    return Success;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int nvmlInit_v2()
{
    load();
    return script.init;
}

__attribute__((visibility("default"))) int nvmlSystemGetDriverVersion(char* text, unsigned length)
{
    return copy(script.driver, text, length);
}

__attribute__((visibility("default"))) int nvmlDeviceGetCount_v2(unsigned* count)
{
    *count = static_cast<unsigned>(script.gpus.size());
    return Success;
}

__attribute__((visibility("default"))) int nvmlDeviceGetHandleByIndex_v2(unsigned index, void** device)
{
    if (index >= script.gpus.size())
        return ErrorInvalidArgument;
    *device = &script.gpus[index];
    return Success;
}

__attribute__((visibility("default"))) int nvmlDeviceGetTemperature(void* device, unsigned sensor, unsigned* celsius)
{
    Gpu* gpu = gpuOf(device);
    if (gpu == nullptr || sensor != 0 || gpu->readings.empty())
        return ErrorInvalidArgument;
    const std::string& reading = gpu->readings[std::min(gpu->next, gpu->readings.size() - 1)];
    ++gpu->next;
    if (reading == "x")
        return ErrorUnknown;
    *celsius = static_cast<unsigned>(std::atoi(reading.c_str()));
    return Success;
}

__attribute__((visibility("default"))) int nvmlDeviceGetName(void* device, char* text, unsigned length)
{
    Gpu* gpu = gpuOf(device);
    if (gpu == nullptr || gpu->name == "!")
        return ErrorUnknown;
    return copy(gpu->name, text, length);
}

struct Memory {
    unsigned long long total, free, used;
};

__attribute__((visibility("default"))) int nvmlDeviceGetMemoryInfo(void* device, Memory* memory)
{
    Gpu* gpu = gpuOf(device);
    if (gpu == nullptr || gpu->mebibytes < 0)
        return ErrorUnknown;
    memory->total = static_cast<unsigned long long>(gpu->mebibytes) << 20;
    memory->used = 0;
    memory->free = memory->total;
    return Success;
}

__attribute__((visibility("default"))) int nvmlDeviceGetCurrPcieLinkWidth(void* device, unsigned* lanes)
{
    Gpu* gpu = gpuOf(device);
    if (gpu == nullptr || gpu->lanes < 0)
        return ErrorUnknown;
    *lanes = static_cast<unsigned>(gpu->lanes);
    return Success;
}

} // extern "C"
