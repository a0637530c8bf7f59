#pragma once
// Identification of the processor at start-up. The steps are separate calls
// because the monitor's start-up interleaves them with other work, in this
// order:
//   identifyProcessor      CPUID unlock, support test, brand string, model name
//   mapCores               (CoreMap.h) core slots and Hyper-Threading
//   applyModelRules        TjMax table, killMhz, display name
//   selectPackage          (CoreMap.h) Skull selection and slot compaction
//   readTemperatureTargets (TjMaxRules.h) TjMax from the processor
//   applyTjMaxOverrides    (TjMaxRules.h) tjMaxDetected and the settings override

#include "hw/BuildFlavour.h"
#include "hw/HardwareAccess.h"
#include "hw/Messages.h"
#include "hw/ProcessorInfo.h"

#include <string>

namespace hw {

enum class Support { Supported, Unsupported };

// Lifts the CPUID leaf limit of IA32_MISC_ENABLE on the current CPU. Nothing
// is written when the register cannot be read.
void unlockCpuid(HardwareAccess& access);

// Vendor, signature and class flags from CPUID leaves 0, 1 and 6, and whether
// the monitor supports the processor.
Support testSupport(platform::Processor& processor, ProcessorInfo& info);

// The brand string of CPUID 0x80000002 to 0x80000004, empty when the
// processor has no such leaves.
std::string readBrandString(platform::Processor& processor);

// The steps before the support decision: unlock CPUID, test support, read the
// brand string and model name on logical CPU 0. An unsupported processor is
// reported through `messages` with the caption "Error".
Support identifyProcessor(HardwareAccess& access, ProcessorInfo& info, Messages& messages);

// The text of the message for an unsupported processor.
std::string unsupportedProcessorText(const ProcessorInfo& info);

// TjMax table, killMhz (from the KillMHz key, 0 when absent) and display name.
void applyModelRules(ProcessorInfo& info, int killMHzKey, const BuildFlavour& flavour);

} // namespace hw
