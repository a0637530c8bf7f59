#pragma once
// The whole-system processor load from the aggregate "cpu" line of
// /proc/stat: busy time (everything but idle and iowait) over total time
// between two collections.

#include <cstdint>
#include <optional>
#include <string>

namespace monitor {

class ProcStatLoad {
public:
    explicit ProcStatLoad(std::string path = "/proc/stat");

    // Takes the first reading; false when the file gives none.
    bool open();
    // Load in % since the previous collection; nothing when the file cannot
    // be read or no time has passed.
    std::optional<double> collect();

    struct Times {
        uint64_t busy = 0;
        uint64_t total = 0;
    };
    // Parses the aggregate line ("cpu  user nice system idle iowait irq
    // softirq steal ..."); nothing when it is not one.
    static std::optional<Times> parse(const std::string& line);

private:
    std::optional<Times> read() const;

    std::string m_path;
    Times m_last;
    bool m_haveLast = false;
};

} // namespace monitor
