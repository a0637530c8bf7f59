#pragma once
// A processor that passes every call to another one, except where a test
// makes the register driver or the processor misbehave: a driver status, a
// failing capability test, or a processor that is not supported. It also
// notes the priority, initialise and sleep calls of the thread that created
// it (the user-interface thread), in order.

#include "platform/Processor.h"

#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace uitest {

class DriverFaults : public platform::Processor {
public:
    explicit DriverFaults(platform::Processor& inner) : m_inner(inner) {}

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
        m_inner.initialise();
    }
    int status() override { return driverStatus ? *driverStatus : m_inner.status(); }
    bool capabilityTest() override { return !capabilityFails && m_inner.capabilityTest(); }
    bool readMsr(uint32_t index, uint32_t& low, uint32_t& high) override { return m_inner.readMsr(index, low, high); }
    bool writeMsr(uint32_t index, uint32_t low, uint32_t high) override { return m_inner.writeMsr(index, low, high); }
    void deinitialise() override { m_inner.deinitialise(); }
    platform::CpuidRegisters cpuid(uint32_t leaf, uint32_t subleaf) override
    {
        platform::CpuidRegisters regs = m_inner.cpuid(leaf, subleaf);
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
    uint64_t rdtsc() override { return m_inner.rdtsc(); }
    uint32_t setThreadAffinityMask(uint32_t mask) override { return m_inner.setThreadAffinityMask(mask); }
    bool processAffinityMask(uint32_t& processMask, uint32_t& systemMask) override
    {
        return m_inner.processAffinityMask(processMask, systemMask);
    }
    bool setProcessAffinityMask(uint32_t mask) override { return m_inner.setProcessAffinityMask(mask); }
    int currentCpu() override { return m_inner.currentCpu(); }
    void sleep(uint32_t milliseconds) override
    {
        note("sleep " + std::to_string(milliseconds));
        m_inner.sleep(milliseconds);
    }
    void setPriorityClass(platform::PriorityClass priority) override
    {
        note("class " + std::to_string(static_cast<int>(priority)));
        m_inner.setPriorityClass(priority);
    }
    void setThreadPriority(platform::ThreadPriority priority) override
    {
        note("thread " + std::to_string(static_cast<int>(priority)));
        m_inner.setThreadPriority(priority);
    }
    int64_t performanceCounter() override { return m_inner.performanceCounter(); }
    int64_t performanceFrequency() override { return m_inner.performanceFrequency(); }
    uint32_t tickCount() override { return m_inner.tickCount(); }
    std::tm localTime() override { return m_inner.localTime(); }

private:
    void note(std::string call)
    {
        if (std::this_thread::get_id() != m_owner)
            return;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back(std::move(call));
    }

    platform::Processor& m_inner;
    const std::thread::id m_owner = std::this_thread::get_id();
    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
};

} // namespace uitest
