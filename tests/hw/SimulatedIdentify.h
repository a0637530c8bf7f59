#pragma once
// A simulated processor at rest on a manual clock, and the monitor's
// identification steps run on it in start-up order with no settings keys set.

#include "hw/CoreMap.h"
#include "hw/HardwareAccess.h"
#include "hw/ProcessorIdentification.h"
#include "hw/TjMaxRules.h"
#include "sim/SimulatedProcessor.h"
#include "tests/hw/RecordingMessages.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace fake {

inline std::unique_ptr<sim::SimulatedProcessor> simulated(const std::string& profile, sim::Options options = {})
{
    options.loadMode = sim::LoadMode::Fixed;
    options.fixedLoadPercent = 0;
    sim::SimulatedCreation created =
        sim::createSimulatedProcessor(profile, options, std::make_shared<sim::ManualClock>());
    EXPECT_TRUE(created.processor) << created.error;
    return std::move(created.processor);
}

inline hw::ProcessorInfo identify(platform::Processor& processor, const hw::BuildFlavour& flavour, int skull = 0)
{
    hw::HardwareAccess access(processor);
    hw::ProcessorInfo info;
    fake::RecordingMessages messages;
    EXPECT_EQ(hw::identifyProcessor(access, info, messages), hw::Support::Supported);
    EXPECT_TRUE(messages.shown.empty());
    hw::mapCores(access, info);
    hw::applyModelRules(info, 0, flavour);
    hw::selectPackage(info, skull, flavour);
    hw::readTemperatureTargets(access, info);
    hw::applyTjMaxOverrides(info, {});
    return info;
}

} // namespace fake
