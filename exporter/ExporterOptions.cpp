#include "exporter/ExporterOptions.h"

#include <charconv>
#include <cmath>

namespace exporter {
namespace {

constexpr double ShortestInterval = 0.1;
constexpr double LongestInterval = 86400.0;

bool parseNumber(const std::string& text, double& value)
{
    const char* end = text.data() + text.size();
    auto [last, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && last == end && std::isfinite(value);
}

bool parseInteger(const std::string& text, long& value)
{
    const char* end = text.data() + text.size();
    auto [last, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && last == end;
}

// ADDR:PORT, with an IPv6 address in brackets ([::1]:9757).
bool parseListen(const std::string& text, ExporterOptions& options, std::string& error)
{
    const size_t colon = text.rfind(':');
    std::string address = colon == std::string::npos ? "" : text.substr(0, colon);
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']')
        address = address.substr(1, address.size() - 2);
    long port = 0;
    if (colon == std::string::npos || address.empty() || !parseInteger(text.substr(colon + 1), port) || port < 0 ||
        port > 65535) {
        error = "--listen " + text + ": give an address and a port from 0 (any free port) to 65535, as 127.0.0.1:9757 or [::1]:9757";
        return false;
    }
    options.listenAddress = address;
    options.listenPort = static_cast<uint16_t>(port);
    return true;
}

} // namespace

ParsedOptions parseExporterOptions(const std::vector<std::string>& arguments)
{
    ParsedOptions parsed;
    ExporterOptions& options = parsed.options;
    bool listenGiven = false;
    auto fail = [&parsed](std::string error) {
        parsed.outcome = ParseOutcome::Error;
        parsed.error = std::move(error);
        return parsed;
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::string value;
        bool hasValue = false;
        if (const size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        const bool takesValue = name == "--interval" || name == "--textfile" || name == "--listen" || name == "--alarm";
        if (takesValue && !hasValue) {
            if (i + 1 >= arguments.size())
                return fail(name + " needs a value; see --help");
            value = arguments[++i];
        } else if (!takesValue && hasValue) {
            return fail(name + " takes no value; see --help");
        }

        if (name == "--help" || name == "-h") {
            parsed.outcome = ParseOutcome::Help;
            return parsed;
        } else if (name == "--interval") {
            if (!parseNumber(value, options.intervalSeconds) || options.intervalSeconds < ShortestInterval ||
                options.intervalSeconds > LongestInterval)
                return fail("--interval " + value + ": give the seconds between samples, from 0.1 to 86400");
        } else if (name == "--textfile") {
            if (value.empty() || value.back() == '/')
                return fail("--textfile: give the path of a file, as /var/lib/prometheus/node-exporter/ostrel.prom");
            options.textfile = value;
        } else if (name == "--listen") {
            if (!parseListen(value, options, parsed.error))
                return fail(parsed.error);
            listenGiven = true;
        } else if (name == "--alarm") {
            long celsius = 0;
            if (!parseInteger(value, celsius) || celsius < 1 || celsius > 150)
                return fail("--alarm " + value + ": give the alarm temperature in whole degrees Celsius, 1 to 150");
            options.alarmCelsius = static_cast<int>(celsius);
        } else if (name == "--once") {
            options.once = true;
        } else {
            return fail("unknown argument " + arguments[i] + "; see --help");
        }
    }
    // A textfile alone needs no listener; without either, the listener serves.
    options.listen = !options.once && (listenGiven || options.textfile.empty());
    if (options.once && listenGiven)
        return fail("--once writes one sample and ends: leave --listen out");
    return parsed;
}

std::string exporterUsage(const std::string& program)
{
    return "Usage: " + program + " [--interval SECONDS] [--textfile PATH] [--listen ADDR:PORT] [--alarm CELSIUS] [--once]\n"
           "Samples the processor's temperatures, clocks, load and power as the monitor does and\n"
           "publishes them in the Prometheus text format.\n"
           "\n"
           "  --interval SECONDS  seconds between samples (default 5)\n"
           "  --textfile PATH     write every sample to PATH, whole (a temporary file in the\n"
           "                      same folder renamed over it), for node_exporter's textfile collector\n"
           "  --listen ADDR:PORT  serve GET /metrics there (default 127.0.0.1:9757; the default\n"
           "                      when no --textfile is given)\n"
           "  --alarm CELSIUS     the alarm temperature of the hottest core (default 100)\n"
           "  --once              take one sample, write it to the textfile or standard output, end\n"
           "\n"
           "SIMULATED_CPU names a simulated processor instead of the host's registers.\n";
}

} // namespace exporter
