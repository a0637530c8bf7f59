#pragma once
// The real processor for a program that runs as the desktop user: CPUID,
// RDTSC, affinity and clocks as LinuxProcessor does them, and the
// model-specific registers through the privileged register helper, which it
// starts (through pkexec) at initialise() and which ends when this ends.
// The CPU of each access is the one the calling thread selected, else the
// one it runs on.
//
// Status: 0 once the helper answers; 2 ("Driver Not Loaded") when it could
// not be started or authorised; 3 ("Driver Not Found") when the helper finds
// no msr device; 9 for anything else, also after the helper died.

#include "platform/LinuxProcessor.h"
#include "platform/MsrHelperProtocol.h"

#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

class HelperProcessor : public LinuxProcessor {
public:
    // Where the installed helper lives, and how it is started by default.
    static constexpr const char* InstalledHelper = "/usr/libexec/ostrel/ostrel-msr-helper";
    static std::vector<std::string> defaultCommand();

    explicit HelperProcessor(std::vector<std::string> command = defaultCommand(), Paths paths = {});
    ~HelperProcessor() override;

    void initialise() override;
    int status() override;
    bool capabilityTest() override;
    bool readMsr(uint32_t index, uint32_t& low, uint32_t& high) override;
    bool writeMsr(uint32_t index, uint32_t low, uint32_t high) override;
    // All requests written at once and all replies read at once: one wake-up
    // of the helper for the lot.
    void readMsrs(std::span<MsrRead> reads) override;
    void deinitialise() override;

    // Whether the installed helper and pkexec are there to be started.
    static bool installed();
    // The helper's process while it runs; -1 otherwise.
    pid_t helperProcess() const { return m_pid; }

private:
    bool exchange(msrhelper::Operation operation, uint32_t index, uint64_t& value);
    // Requests and their replies, as many as requests; false when the
    // helper is gone.
    bool roundTrip(std::span<const msrhelper::Request> requests, std::span<msrhelper::Reply> replies);
    bool roundTrip(const msrhelper::Request& request, msrhelper::Reply& reply)
    {
        return roundTrip(std::span(&request, 1), std::span(&reply, 1));
    }
    void stopHelper();

    std::vector<std::string> m_command;
    std::mutex m_lock; // one request and its reply at a time
    pid_t m_pid = -1;
    int m_toHelper = -1;
    int m_fromHelper = -1;
    int m_status = StatusDriverNotLoaded;
};

} // namespace platform
