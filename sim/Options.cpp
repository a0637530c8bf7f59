#include "sim/Options.h"

#include "sim/ProcessorState.h"

#include <cctype>
#include <charconv>

namespace sim {

namespace {

constexpr int MaxGpusPerVendor = 8;

bool parseInt(std::string_view text, int low, int high, int& value)
{
    if (text.empty())
        return false;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && value >= low && value <= high;
}

bool parsePercent(std::string_view text, double& value)
{
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front()))))
        return false;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && value >= 0.0 && value <= 100.0;
}

std::string lowered(std::string_view text)
{
    std::string result;
    for (char c : text)
        result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

// Splits at commas; an empty list gives no parts.
std::vector<std::string_view> split(std::string_view text)
{
    std::vector<std::string_view> parts;
    if (text.empty())
        return parts;
    while (true) {
        size_t comma = text.find(',');
        parts.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return parts;
}

} // namespace

bool Options::parseLoad(std::string_view text, Options& options, std::string& error)
{
    if (text.empty() || lowered(text) == "host") {
        options.loadMode = LoadMode::Host;
        return true;
    }
    double percent = 0.0;
    if (!parsePercent(text, percent)) {
        error = "SIMULATED_LOAD must be host or a percentage from 0 to 100, not \"" + std::string(text) + "\"";
        return false;
    }
    options.loadMode = LoadMode::Fixed;
    options.fixedLoadPercent = percent;
    return true;
}

bool Options::parseReadouts(std::string_view text, Options& options, std::string& error)
{
    std::vector<int> readouts;
    for (std::string_view part : split(text)) {
        int value = 0;
        if (!parseInt(part, 0, 127, value)) {
            error = "SIMULATED_READOUT must list readouts from 0 to 127 separated by commas, not \""
                    + std::string(text) + "\"";
            return false;
        }
        readouts.push_back(value);
    }
    options.pinnedReadouts = std::move(readouts);
    return true;
}

bool Options::parseGpus(std::string_view text, Options& options, std::string& error)
{
    GpuCounts counts;
    bool seenNvidia = false;
    bool seenAti = false;
    for (std::string_view part : split(text)) {
        size_t colon = part.find(':');
        std::string vendor = lowered(part.substr(0, colon));
        int count = 0;
        bool ok = colon != std::string_view::npos && parseInt(part.substr(colon + 1), 0, MaxGpusPerVendor, count);
        if (ok && vendor == "nvidia" && !seenNvidia) {
            counts.nvidia = count;
            seenNvidia = true;
        } else if (ok && vendor == "ati" && !seenAti) {
            counts.ati = count;
            seenAti = true;
        } else {
            error = "SIMULATED_GPU must read nvidia:<n>,ati:<n> with n from 0 to "
                    + std::to_string(MaxGpusPerVendor) + ", not \"" + std::string(text) + "\"";
            return false;
        }
    }
    options.gpus = counts;
    return true;
}

bool Options::parseAffinity(std::string_view text, Options& options, std::string& error)
{
    platform::CpuSet cpus;
    for (std::string_view part : split(text)) {
        const size_t dash = part.find('-');
        int first = 0;
        int last = 0;
        bool ok = parseInt(part.substr(0, dash), 0, MaxCpus - 1, first);
        last = first;
        if (ok && dash != std::string_view::npos)
            ok = parseInt(part.substr(dash + 1), first, MaxCpus - 1, last);
        if (!ok) {
            error = "SIMULATED_AFFINITY must list CPUs from 0 to " + std::to_string(MaxCpus - 1)
                    + " as the kernel does, such as 0-1,4-5, not \""
                    + std::string(text) + "\"";
            return false;
        }
        cpus = cpus | platform::CpuSet::range(first, last);
    }
    options.allowedCpus = cpus;
    return true;
}

bool Options::fromVariables(const char* load, const char* readout, const char* gpu, Options& options,
                            std::string& error, const char* affinity)
{
    return parseLoad(load ? load : "", options, error) && parseReadouts(readout ? readout : "", options, error)
           && parseGpus(gpu ? gpu : "", options, error) && parseAffinity(affinity ? affinity : "", options, error);
}

} // namespace sim
