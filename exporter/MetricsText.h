#pragma once
// A sample in the Prometheus text exposition format (version 0.0.4): each
// family with its HELP and TYPE lines, base units, one line per labelled value.

#include "exporter/ExporterSample.h"

#include <string>

namespace exporter {

constexpr const char* MetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

std::string metricsText(const ExporterSample& sample);

// A label value with backslash, double quote and line feed escaped.
std::string escapeLabelValue(const std::string& value);

} // namespace exporter
