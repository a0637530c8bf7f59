#pragma once
// The exporter's command line: how often it samples, where the metrics go
// (a textfile for node_exporter's textfile collector, an HTTP listener, or
// both) and the alarm threshold it reports against.

#include <cstdint>
#include <string>
#include <vector>

namespace exporter {

constexpr const char* DefaultListenAddress = "127.0.0.1";
constexpr uint16_t DefaultListenPort = 9757;

struct ExporterOptions {
    double intervalSeconds = 5.0;
    std::string textfile;          // empty: no textfile
    bool listen = true;            // serve /metrics over HTTP
    std::string listenAddress = DefaultListenAddress;
    uint16_t listenPort = DefaultListenPort;
    bool once = false;             // one sample to the textfile (or standard output), then end
    int alarmCelsius = 100;        // the hottest core at or above this raises the alarm
};

enum class ParseOutcome { Run, Help, Error };

struct ParsedOptions {
    ParseOutcome outcome = ParseOutcome::Run;
    ExporterOptions options;
    std::string error; // what is wrong and how to put it right
};

// The arguments after the program name.
ParsedOptions parseExporterOptions(const std::vector<std::string>& arguments);

// The text of --help.
std::string exporterUsage(const std::string& program);

} // namespace exporter
