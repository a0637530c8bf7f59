#include "monitor/gpu/AdlOverSysfs.h"

#include <cstdio>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace monitor {

using namespace adl;

namespace {

std::string trimmed(std::string text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.back()))
        text.pop_back();
    size_t start = 0;
    while (start < text.size() && blank(text[start]))
        ++start;
    return text.substr(start);
}

std::string lowered(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The number N of "cardN"; nothing for other entries ("card0-DP-1", "renderD128").
std::optional<int> cardNumber(const std::string& name)
{
    if (name.size() <= 4 || name.compare(0, 4, "card") != 0)
        return std::nullopt;
    int n = 0;
    const char* end = name.data() + name.size();
    const auto [rest, error] = std::from_chars(name.data() + 4, end, n);
    if (error != std::errc() || rest != end)
        return std::nullopt;
    return n;
}

void copyText(char* to, size_t size, const std::string& from)
{
    const size_t length = std::min(from.size(), size - 1);
    std::memcpy(to, from.data(), length);
    to[length] = '\0';
}

// Bus, device and function of a PCI address "DDDD:BB:DD.F" at the end of a path.
void pciLocation(const std::string& path, AdapterInfo& info)
{
    const std::string address = path.substr(path.find_last_of('/') + 1);
    unsigned domain = 0, bus = 0, device = 0, function = 0;
    if (std::sscanf(address.c_str(), "%x:%x:%x.%x", &domain, &bus, &device, &function) == 4) {
        info.busNumber = static_cast<int32_t>(bus);
        info.deviceNumber = static_cast<int32_t>(device);
        info.functionNumber = static_cast<int32_t>(function);
    }
}

int32_t clampToInt(long long value)
{
    return static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

} // namespace

AdlOverSysfs::AdlOverSysfs(std::shared_ptr<const platform::DrmTree> tree) : m_tree(std::move(tree)) {}

bool AdlOverSysfs::hasFunction(std::string_view name) const
{
    return std::find(AdlFunctionNames.begin(), AdlFunctionNames.end(), name) != AdlFunctionNames.end();
}

int AdlOverSysfs::mainControlCreate(MallocCallback callback, int /*enumerateConnected*/)
{
    if (callback == nullptr)
        return BadParameter;
    std::vector<std::pair<int, std::string>> numbered;
    for (const std::string& name : m_tree->list(""))
        if (const std::optional<int> n = cardNumber(name))
            numbered.emplace_back(*n, name);
    std::sort(numbered.begin(), numbered.end());

    m_cards.clear();
    std::vector<std::string> devices; // the distinct devices, in order of their first card
    for (const auto& [n, name] : numbered) {
        const std::string device = name + "/device";
        const std::optional<std::string> vendor = m_tree->read(device + "/vendor");
        if (!vendor || lowered(trimmed(*vendor)) != AmdVendor)
            continue;
        const std::string real = m_tree->resolve(device).value_or(device);
        auto at = std::find(devices.begin(), devices.end(), real);
        if (at == devices.end())
            at = devices.insert(devices.end(), real);
        m_cards.push_back(Card{name, device, static_cast<int>(at - devices.begin()) + 1});
    }
    m_created = true;
    return Ok;
}

int AdlOverSysfs::mainControlDestroy()
{
    m_created = false;
    m_cards.clear();
    return Ok;
}

int AdlOverSysfs::numberOfAdapters(int* count)
{
    if (!m_created)
        return NotInitialized;
    if (count == nullptr)
        return BadParameter;
    *count = static_cast<int>(m_cards.size());
    return Ok;
}

int AdlOverSysfs::adapterInfo(AdapterInfo* info, int bytes)
{
    if (!m_created)
        return NotInitialized;
    if (info == nullptr || bytes < 0 || static_cast<size_t>(bytes) < m_cards.size() * sizeof(AdapterInfo))
        return BadParameter;
    for (size_t i = 0; i < m_cards.size(); ++i) {
        const Card& card = m_cards[i];
        AdapterInfo& a = info[i];
        std::memset(&a, 0, sizeof a);
        a.size = sizeof a;
        a.adapterIndex = static_cast<int32_t>(i);
        const std::string real = m_tree->resolve(card.device).value_or(card.device);
        copyText(a.udid, sizeof a.udid, real);
        pciLocation(real, a);
        a.vendorId = 0x1002;
        std::string name = trimmed(m_tree->read(card.device + "/product_name").value_or(""));
        if (name.empty())
            name = "AMD Radeon Graphics (" + trimmed(m_tree->read(card.device + "/device").value_or("?")) + ")";
        copyText(a.adapterName, sizeof a.adapterName, name);
        copyText(a.displayName, sizeof a.displayName, card.name);
        a.present = 1;
        a.exist = 1;
    }
    return Ok;
}

int AdlOverSysfs::adapterActive(int adapter, int* active)
{
    if (!valid(adapter) || active == nullptr)
        return BadParameter;
    *active = 1;
    return Ok;
}

std::optional<std::string> AdlOverSysfs::hwmonFolder(const Card& card) const
{
    const std::string folder = card.device + "/hwmon";
    std::vector<std::string> names = m_tree->list(folder);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string hwmon = folder + "/" + name;
        if (name.compare(0, 5, "hwmon") == 0 && m_tree->read(hwmon + "/temp1_input"))
            return hwmon;
    }
    return std::nullopt;
}

std::optional<long long> AdlOverSysfs::number(const std::string& file) const
{
    const std::optional<std::string> text = m_tree->read(file);
    if (!text)
        return std::nullopt;
    const std::string value = trimmed(*text);
    long long n = 0;
    const auto [rest, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (error != std::errc() || rest == value.data())
        return std::nullopt;
    return n;
}

int AdlOverSysfs::temperature(int adapter, int thermalController, Temperature* temperature)
{
    if (!valid(adapter) || thermalController != 0 || temperature == nullptr)
        return BadParameter;
    const std::optional<std::string> hwmon = hwmonFolder(m_cards[static_cast<size_t>(adapter)]);
    if (!hwmon)
        return NotSupported;
    const std::optional<long long> millidegrees = number(*hwmon + "/temp1_input");
    if (!millidegrees)
        return Error;
    temperature->temperature = clampToInt(*millidegrees);
    return Ok;
}

int AdlOverSysfs::adapterId(int adapter, int* id)
{
    if (!valid(adapter) || id == nullptr)
        return BadParameter;
    const Card& card = m_cards[static_cast<size_t>(adapter)];
    if (!hwmonFolder(card))
        return NotSupported;
    *id = card.id;
    return Ok;
}

int AdlOverSysfs::currentActivity(int adapter, PmActivity* activity)
{
    if (!valid(adapter) || activity == nullptr)
        return BadParameter;
    const Card& card = m_cards[static_cast<size_t>(adapter)];
    const std::optional<std::string> hwmon = hwmonFolder(card);
    if (!hwmon)
        return NotSupported;
    constexpr long long HertzPerUnit = 10000; // clocks in units of 10 kHz
    activity->engineClock = clampToInt(number(*hwmon + "/freq1_input").value_or(0) / HertzPerUnit);
    activity->memoryClock = clampToInt(number(*hwmon + "/freq2_input").value_or(0) / HertzPerUnit);
    activity->vddc = clampToInt(number(*hwmon + "/in0_input").value_or(0));
    activity->activityPercent = clampToInt(number(card.device + "/gpu_busy_percent").value_or(0));
    activity->currentPerformanceLevel = 0;
    activity->currentBusSpeed = 0;
    activity->currentBusLanes = clampToInt(number(card.device + "/current_link_width").value_or(0));
    activity->maximumBusLanes = clampToInt(number(card.device + "/max_link_width").value_or(0));
    activity->reserved = 0;
    return Ok;
}

} // namespace monitor
