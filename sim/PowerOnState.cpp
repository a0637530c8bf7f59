#include "sim/PowerOnState.h"

#include "registers/MsrIndex.h"

namespace sim {

void applyPowerOnState(const Profile& profile, const CpuidFacts& facts, std::span<CpuState> cpus,
                       std::span<PackageState> packages)
{
    // The firmware leaves the highest state requested: one above the base
    // ratio where turbo exists (which lets turbo engage), else the base
    // ratio, until the governor makes its first choice.
    int request = profile.turboRequestTenths();
    uint64_t perfControl = 0;
    if (profile.nehalemOrLater()) {
        perfControl = msr::perf_ctl::TargetRatio.set(0, uint64_t(request / 10));
    } else {
        perfControl = msr::perf_ctl::Core2TargetRatio.set(0, uint64_t(request / 10));
        perfControl = msr::perf_ctl::Core2TargetHalfRatio.set(perfControl, request % 10 == 5);
        perfControl = msr::perf_ctl::TargetVid.set(perfControl, uint64_t(profile.vidCodeAt(request)));
    }
    uint64_t globalControl = 0;
    for (int n = 0; n < facts.generalCounters && n < MaxGeneralCounters; ++n)
        globalControl = msr::perf_global_ctrl::pmcEnable(unsigned(n)).set(globalControl, 1);
    for (CpuState& cpu : cpus) {
        cpu.perfControl = perfControl;
        cpu.globalControl = globalControl; // general counters enabled at reset, fixed ones not
    }

    uint64_t ratioLimit = 0;
    for (size_t n = 0; n < profile.turboRatioTenths.size(); ++n)
        ratioLimit = msr::turbo_ratio_limit::ratioForActiveCores(unsigned(n + 1))
                         .set(ratioLimit, uint64_t(profile.turboRatioTenths[n] / 10));
    uint64_t currentLimit = msr::turbo_power_current_limit::TdpLimit.set(0, uint64_t(profile.tdpWatts * 8));
    currentLimit = msr::turbo_power_current_limit::TdcLimit.set(currentLimit, uint64_t(profile.tdcAmps) * 8);
    for (PackageState& package : packages) {
        package.miscEnable = profile.miscEnable;
        package.turboRatioLimit = profile.nehalemOrLater() ? ratioLimit : 0;
        package.turboPowerCurrentLimit = profile.family == Family::Nehalem ? currentLimit : 0;
        package.powerControl = profile.nehalemOrLater() ? msr::power_ctl::C1eEnable.set(0, 1) : 0;
        package.pkgPowerLimit = profile.pkgPowerLimit;
        package.pp0CurrentConfig = profile.pp0CurrentConfig;
        package.pmEnable = facts.hwp ? profile.pmEnable : 0;
    }
}

} // namespace sim
