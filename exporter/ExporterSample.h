#pragma once
// One sample of the exporter: what the sampler read from the processor and
// its GPUs, and the exporter's own bookkeeping, as plain figures in base units.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace exporter {

struct CoreFigures {
    int slot = 0;           // the core's place: the monitor's slot, or its place in the topology's order
    int cpu = 0;            // the logical CPU that reads the core's sensor
    std::string coreType;   // "P" or "E" on hybrid processors, else empty
    int temperatureCelsius = 0;
    int distanceToTjMax = 0;  // the sensor's readout, degrees below TjMax
    int tjMaxCelsius = 0;
    uint64_t thermStatus = 0; // IA32_THERM_STATUS as read
    int package = 0;
};

struct CpuFigures {
    int cpu = 0;
    std::optional<double> frequencyHz; // unknown until the time-stamp rate is measured
    double multiplier = 0.0;           // effective multiplier over the last interval
    double c0Ratio = 0.0;              // share of the interval in C0, 0..1
};

struct GpuFigure {
    std::string gpu; // "nvidia" or "ati"
    int temperatureCelsius = 0;
};

// Counts of what went wrong, for ostrel_exporter_errors_total.
struct ErrorCounts {
    uint64_t coreUnread = 0;    // a core's CPU refused the pinning or its sensor did not answer
    uint64_t textfileWrite = 0; // the textfile could not be written
};

struct ExporterSample {
    std::string model;      // the monitor's display name
    uint32_t signature = 0; // CPUID 1 EAX
    int package = 0;

    std::vector<CoreFigures> cores; // the cores read this sample
    std::vector<CpuFigures> cpus;   // the logical CPUs measured this sample
    std::optional<double> packageWatts;
    std::optional<double> packageJoules; // energy since the exporter started
    std::vector<GpuFigure> gpus;
    int alarmCelsius = 100;

    uint64_t samples = 0;               // samples taken since start, this one included
    double sampleSeconds = 0.0;         // how long this sample took
    double sampleSecondsTotal = 0.0;    // all samples together
    ErrorCounts errors;
};

} // namespace exporter
