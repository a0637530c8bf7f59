#pragma once
// Where a simulated processor's state lives. A private machine belongs to
// one simulated processor object. A shared machine is one per profile and
// machine name on the host: every program started with the same
// SIMULATED_CPU (and SIMULATED_MACHINE, "default" when unset) attaches to it,
// so they see one set of registers, counters and temperatures, as programs
// on one real computer do.
//
// A shared machine is a small file in /dev/shm (else $XDG_RUNTIME_DIR, else
// /tmp), in a folder of this user's, named "<machine>.<profile>". Its state
// sits behind a robust process-shared mutex: a program killed while holding
// it leaves it to the next, which carries on with the state as it was.
// Every attached program holds a shared flock on the file for as long as it
// is attached; attaching and detaching take an exclusive flock on the
// folder. The first to attach, finding no other holder, powers the machine
// on (also over a file left by programs that were killed); the last to
// detach removes the file.
//
// The file is checked (owner, size, header) before it is mapped, so a file
// of another build or one another program wrote is refused with a message.
// A holder whose file is cut short or overwritten while it runs (by another
// program of this user's) stops sharing: it says so on standard error and
// carries on with a machine of its own, powered on afresh, instead of dying
// of the pages the truncation took away (see MappingWatch).

#include "sim/MappingWatch.h"
#include "sim/ProcessorState.h"
#include "sim/Profile.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace sim {

enum class MachineStart {
    PowerOn, // nobody else was attached: the state is to be set to power-on values
    Attach,  // the machine already ran: its state is current
};

class SimulatedMachine;

struct MachineOpening {
    std::unique_ptr<SimulatedMachine> machine;
    std::string error;
};

class SimulatedMachine {
public:
    // A machine of one simulated processor object alone.
    static std::unique_ptr<SimulatedMachine> createPrivate();
    // The shared machine `name` of this profile; `folder` replaces the default
    // place of the file (tests).
    static MachineOpening openShared(const Profile& profile, std::string_view name, std::string folder = {});
    // The folder shared machines are kept in by default.
    static std::string defaultFolder();

    ~SimulatedMachine();
    SimulatedMachine(const SimulatedMachine&) = delete;
    SimulatedMachine& operator=(const SimulatedMachine&) = delete;

    MachineState& state() { return *m_state; }
    MachineStart start() const { return m_start; }
    bool shared() const { return m_fd >= 0; }
    const std::string& path() const { return m_path; }
    // This holder's slot in MachineState::holders.
    int holderSlot() const { return m_slot; }

    // The machine's lock, for std::lock_guard. A holder that died with it
    // held passes it on. A shared machine whose file was cut short or
    // overwritten is left here: the state is then this holder's alone, at
    // zero, and `powerOnAgain` (when set) runs with the lock held.
    void lock();
    void unlock();
    void setPowerOnAgain(std::function<void()> powerOnAgain) { m_powerOnAgain = std::move(powerOnAgain); }

    // The union of the busy floors of the holders still alive.
    CpuBits busyFloor();

private:
    struct Header;
    struct Image;
    SimulatedMachine() = default;
    void claimSlot();
    // The shared file still holds this machine: its header is whole and no
    // page of the mapping was lost.
    bool sharedFileIntact() const;
    void lockShared();
    // Stops sharing: private zero pages in place of the mapping, a fresh lock,
    // this holder alone in it.
    void leaveShared();

    Image* m_image = nullptr;
    MachineState* m_state = nullptr;
    MachineStart m_start = MachineStart::PowerOn;
    int m_fd = -1;       // the shared file; -1 for a private machine
    int m_folderFd = -1; // the folder, locked while attaching and detaching
    int m_slot = 0;
    int32_t m_pid = 0; // the program that claimed m_slot
    std::string m_path;
    char m_profile[48] = {}; // the profile's name as the header holds it
    MappingWatch m_watch;
    bool m_left = false;
    bool m_powerOnPending = false;
    std::function<void()> m_powerOnAgain;
};

} // namespace sim
