#pragma once
// The line at the top of the turbo monitor's window: the brand string cleaned
// of trademarks and the clock part, followed by the CPUID signature, for
// example "Intel Core i7 920  -  CPUID 0x106A5".

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {
class Processor;
}

namespace turbo {

std::string processorNameLine(std::string_view brand, uint32_t signature);

// Reads the brand string and the signature on the current CPU.
std::string processorNameLine(platform::Processor& processor);

} // namespace turbo
