#pragma once
// A processor that passes every call to another one, except where a test
// makes the register driver or the processor misbehave: a driver status, a
// failing capability test, or a processor that is not supported. It also
// notes the priority, initialise and sleep calls of the thread that created
// it (the user-interface thread), in order.

#include "platform/ForwardingProcessor.h"

#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace uitest {

class DriverFaults : public platform::ForwardingProcessor {
public:
    explicit DriverFaults(platform::Processor& inner) : ForwardingProcessor(inner) {}

    std::optional<int> driverStatus;
    bool capabilityFails = false;
    // Answers CPUID as a processor without Intel's vendor string and without
    // a digital thermal sensor, signature 0xF29 (a Pentium 4).
    bool unsupported = false;

    // "class <n>", "thread <n>", "initialise" and "sleep <ms>" of the creating thread.
    std::vector<std::string> calls() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }

    void initialise() override
    {
        note("initialise");
        inner().initialise();
    }
    int status() override { return driverStatus ? *driverStatus : inner().status(); }
    bool capabilityTest() override { return !capabilityFails && inner().capabilityTest(); }
    platform::CpuidRegisters cpuid(uint32_t leaf, uint32_t subleaf) override
    {
        platform::CpuidRegisters regs = inner().cpuid(leaf, subleaf);
        if (unsupported) {
            if (leaf == 0) {
                regs.ebx = 0x68747541; // "Auth"
                regs.edx = 0x69746E65; // "enti"
                regs.ecx = 0x444D4163; // "cAMD"
            } else if (leaf == 1) {
                regs.eax = 0xF29;
            } else if (leaf == 6) {
                regs.eax = 0;
            }
        }
        return regs;
    }
    void sleep(uint32_t milliseconds) override
    {
        note("sleep " + std::to_string(milliseconds));
        inner().sleep(milliseconds);
    }
    void setPriorityClass(platform::PriorityClass priority) override
    {
        note("class " + std::to_string(static_cast<int>(priority)));
        inner().setPriorityClass(priority);
    }
    void setThreadPriority(platform::ThreadPriority priority) override
    {
        note("thread " + std::to_string(static_cast<int>(priority)));
        inner().setThreadPriority(priority);
    }

private:
    void note(std::string call)
    {
        if (std::this_thread::get_id() != m_owner)
            return;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back(std::move(call));
    }

    const std::thread::id m_owner = std::this_thread::get_id();
    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
};

} // namespace uitest
