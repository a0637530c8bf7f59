#include "sim/Profile.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace sim {

namespace {

// Bus clocks: the quad-pumped front-side buses of Core 2 and Atom, the
// 133 MHz base clock of Nehalem and the 100 MHz of Sandy Bridge.
constexpr uint64_t Bus333 = 1000000000; // / 3
constexpr uint64_t Bus266 = 800000000;  // / 3
constexpr uint64_t Bus133 = 400000000;  // / 3
constexpr uint64_t Bus200 = 200000000;
constexpr uint64_t Bus100 = 100000000;

// IA32_MISC_ENABLE at power-on: fast strings, automatic thermal control,
// performance monitoring, TM2, SpeedStep, MONITOR/MWAIT, and C1E on Core 2.
constexpr uint64_t MiscCore2Desktop = 0x02052089;
constexpr uint64_t MiscCore2Mobile = 0x186052089;   // deeper C-states enabled as well
constexpr uint64_t MiscAtom = 0x02152089;           // SpeedStep select locked by the firmware
constexpr uint64_t MiscNehalem = 0x00850089;

std::vector<Profile> buildProfiles()
{
    std::vector<Profile> list;

    list.push_back({"e8400", "e8400", "Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz", Family::Core2, {},
                    1, 2, 1, {0, 1}, 0, 1,
                    Bus333, 3, 90, 60, {},
                    100, 36.0, 58.0, 4.0,
                    65.0, 8.0, 50.0, 0,
                    0.9500, 1.2250, false,
                    0, MiscCore2Desktop, false, false, 0, 0, 0});

    list.push_back({"q6600", "q6600", "Intel(R) Core(TM)2 Quad CPU    Q6600  @ 2.40GHz", Family::Core2, {},
                    1, 4, 1, {0, 1, 2, 3}, 0, 2,
                    Bus266, 3, 90, 60, {},
                    100, 42.0, 68.0, 4.0,
                    95.0, 25.0, 85.0, 0,
                    0.9500, 1.2875, false,
                    4, MiscCore2Desktop, false, false, 0, 0, 0});

    list.push_back({"q9550", "q9550", "Intel(R) Core(TM)2 Quad  CPU   Q9550  @ 2.83GHz", Family::Core2, {},
                    1, 4, 1, {0, 1, 2, 3}, 0, 2,
                    Bus333, 3, 85, 60, {},
                    100, 38.0, 62.0, 4.0,
                    95.0, 14.0, 70.0, 0,
                    0.8500, 1.2375, false,
                    0, MiscCore2Desktop, false, false, 0, 0, 0});

    // The dump is of a T8100: the 6 MB second-level cache of the T9300 is patched in.
    list.push_back({"t9300", "t9300", "Intel(R) Core(TM)2 Duo CPU     T9300  @ 2.50GHz", Family::Core2,
                    {{0x2, 0, CpuidRegister::Edx, 0x2cb4304e},
                     {0x4, 2, CpuidRegister::Ebx, 0x05c0003f},
                     {0x80000006, 0, CpuidRegister::Ecx, 0x18008040}},
                    1, 2, 1, {0, 1}, 0, 1,
                    Bus200, 1, 125, 60, {135, 125},
                    105, 45.0, 72.0, 3.0,
                    35.0, 4.0, 28.0, 0,
                    0.9000, 1.1875, true,
                    7, MiscCore2Mobile, false, false, 0, 0, 0});

    list.push_back({"n270", "n270", "         Intel(R) Atom(TM) CPU N270   @ 1.60GHz", Family::Atom, {},
                    1, 1, 2, {0}, 1, 1,
                    Bus133, 3, 120, 60, {},
                    90, 48.0, 62.0, 3.0,
                    2.5, 0.8, 2.2, 0,
                    0.9375, 1.1625, true,
                    3, MiscAtom, false, false, 0, 0, 0});

    list.push_back({"i7-920", "i7-920", "Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz", Family::Nehalem, {},
                    1, 4, 2, {0, 1, 2, 3}, 1, 4,
                    Bus133, 3, 200, 120, {220, 210, 210, 210},
                    100, 40.0, 70.0, 4.0,
                    130.0, 30.0, 105.0, 100,
                    0.9000, 1.3000, false,
                    1, MiscNehalem, false, true, 0, 0, 0});

    // The dump is of a Xeon W3520 of the same stepping: desktop feature flags patched in.
    list.push_back({"i7-975", "i7-975", "Intel(R) Core(TM) i7 CPU         975  @ 3.33GHz", Family::Nehalem,
                    {{0x1, 0, CpuidRegister::Ecx, 0x0098e3bd}, {0x6, 0, CpuidRegister::Eax, 0x00000003}},
                    1, 4, 2, {0, 1, 2, 3}, 1, 4,
                    Bus133, 3, 250, 120, {270, 260, 260, 260},
                    100, 42.0, 74.0, 4.0,
                    130.0, 32.0, 110.0, 110,
                    0.9000, 1.3500, false,
                    1, MiscNehalem, true, true, 0, 0, 0});

    list.push_back({"i5-750", "i5-750", "Intel(R) Core(TM) i5 CPU         750  @ 2.67GHz", Family::Nehalem, {},
                    1, 4, 1, {0, 1, 2, 3}, 1, 4,
                    Bus133, 3, 200, 90, {240, 240, 210, 210},
                    99, 34.0, 64.0, 4.0,
                    95.0, 18.0, 80.0, 80,
                    0.8500, 1.2500, false,
                    1, MiscNehalem, false, true, 0, 0, 0});

    list.push_back({"i7-980x", "i7-980x", "Intel(R) Core(TM) i7 CPU       X 980  @ 3.33GHz", Family::Nehalem, {},
                    1, 6, 2, {0, 1, 2, 8, 9, 10}, 1, 5,
                    Bus133, 3, 250, 120, {270, 260, 260, 260, 260, 260},
                    100, 38.0, 68.0, 4.0,
                    130.0, 28.0, 115.0, 110,
                    0.8000, 1.3000, false,
                    1, MiscNehalem, true, true, 0, 0, 0});

    list.push_back({"xeon-x5570-2s", "xeon-x5570-2s", "Intel(R) Xeon(R) CPU           X5570  @ 2.93GHz",
                    Family::Nehalem, {},
                    2, 4, 2, {0, 1, 2, 3}, 1, 4,
                    Bus133, 3, 220, 120, {250, 250, 240, 240},
                    95, 36.0, 64.0, 4.0,
                    95.0, 22.0, 80.0, 80,
                    0.9000, 1.3000, false,
                    1, MiscNehalem, false, false, 0, 0, 0});

    // Package power limits: PL1 95 W over about 1 s, PL2 118.75 W over about 10 ms,
    // both enabled; units 1/8 W, 1/65536 J, 1/1024 s; core current limit 97 A.
    list.push_back({"i7-2600k", "i7-2600k", "       Intel(R) Core(TM) i7-2600K CPU @ 3.40GHz", Family::SandyBridge, {},
                    1, 4, 2, {0, 1, 2, 3}, 1, 4,
                    Bus100, 1, 340, 160, {380, 370, 360, 350},
                    98, 32.0, 66.0, 4.0,
                    95.0, 6.0, 75.0, 0,
                    0.9600, 1.3200, false,
                    1, MiscNehalem, true, true, 0x004683B6001482F8ull, 0x308, 0xA1003});

    return list;
}

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

} // namespace

double Profile::voltsAt(int ratioTenths) const
{
    int low = minRatioTenths;
    int high = topRatioTenths();
    if (high <= low)
        return maxVolts;
    double position = std::clamp(double(ratioTenths - low) / double(high - low), 0.0, 1.0);
    return minVolts + (maxVolts - minVolts) * position;
}

int Profile::vidCodeAt(int ratioTenths) const
{
    double offset = mobileVid ? 0.7125 : 0.825;
    return int(std::clamp(std::lround((voltsAt(ratioTenths) - offset) / 0.0125), 0L, 63L));
}

const std::vector<Profile>& profiles()
{
    static const std::vector<Profile> list = buildProfiles();
    return list;
}

const Profile* findProfile(std::string_view name)
{
    std::string wanted = lowered(name);
    for (const Profile& profile : profiles())
        if (profile.name == wanted)
            return &profile;
    return nullptr;
}

std::string profileNames()
{
    std::string names;
    for (const Profile& profile : profiles()) {
        if (!names.empty())
            names += ", ";
        names += profile.name;
    }
    return names;
}

} // namespace sim
