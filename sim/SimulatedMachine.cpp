#include "sim/SimulatedMachine.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr uint64_t ImageMagic = 0x4F5354524C53494DULL; // "OSTRLSIM"
constexpr uint32_t ImageVersion = 5; // 5: the times each CPU, core and package is integrated to

// `self`: this program's id, known alive without asking the kernel.
bool alive(int32_t pid, int32_t self)
{
    if (pid <= 0)
        return false;
    if (pid == self)
        return true;
    return kill(pid, 0) == 0 || errno == EPERM;
}

void flockRetrying(int fd, int operation)
{
    while (flock(fd, operation) != 0 && errno == EINTR) {
    }
}

// Letters, digits, '-' and '_' are kept; anything else would leave the folder.
std::string fileNamePart(std::string_view text)
{
    std::string result;
    for (char c : text) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        result += plain ? c : '_';
    }
    return result.empty() ? std::string("default") : result;
}

std::string systemError(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

} // namespace

struct SimulatedMachine::Header {
    uint64_t magic;
    uint32_t version;
    uint32_t size;
    char profile[48];
};

struct SimulatedMachine::Image {
    Header header;
    pthread_mutex_t mutex;
    MachineState state;
};

std::string SimulatedMachine::defaultFolder()
{
    std::string base = "/tmp";
    struct stat info {};
    if (stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && access("/dev/shm", W_OK) == 0)
        base = "/dev/shm";
    else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        base = runtime;
    return base + "/ostrel-sim-" + std::to_string(getuid());
}

std::unique_ptr<SimulatedMachine> SimulatedMachine::createPrivate()
{
    std::unique_ptr<SimulatedMachine> machine(new SimulatedMachine());
    machine->m_image = new Image{};
    pthread_mutex_init(&machine->m_image->mutex, nullptr);
    machine->m_state = &machine->m_image->state;
    machine->m_start = MachineStart::PowerOn;
    machine->claimSlot();
    return machine;
}

MachineOpening SimulatedMachine::openShared(const Profile& profile, std::string_view name, std::string folder)
{
    MachineOpening result;
    if (folder.empty())
        folder = defaultFolder();
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        result.error = systemError("cannot create the folder", folder);
        return result;
    }
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
        result.error = "the folder " + folder + " is not a folder of this user's";
        return result;
    }

    std::unique_ptr<SimulatedMachine> machine(new SimulatedMachine());
    machine->m_folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (machine->m_folderFd < 0) {
        result.error = systemError("cannot open", folder);
        return result;
    }
    machine->m_path = folder + "/" + fileNamePart(name) + "." + fileNamePart(profile.name);
    flockRetrying(machine->m_folderFd, LOCK_EX);

    const auto fail = [&](const std::string& error) {
        flockRetrying(machine->m_folderFd, LOCK_UN);
        result.error = error;
        return std::move(result);
    };
    const std::string foreign = "the simulated machine " + machine->m_path
                                + " belongs to another build of these programs, or another program changed it;"
                                  " end the programs that use it, or name another machine with SIMULATED_MACHINE";

    // O_NONBLOCK: a pipe planted there must not hold the program up.
    machine->m_fd = open(machine->m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (machine->m_fd < 0)
        return fail(systemError("cannot open", machine->m_path));
    struct stat file {};
    if (fstat(machine->m_fd, &file) != 0 || !S_ISREG(file.st_mode) || file.st_uid != getuid())
        return fail(foreign);
    // With no other holder the machine powers on, also over what killed
    // programs left behind.
    const bool first = flock(machine->m_fd, LOCK_EX | LOCK_NB) == 0;
    if (first && (ftruncate(machine->m_fd, 0) != 0 || ftruncate(machine->m_fd, sizeof(Image)) != 0))
        return fail(systemError("cannot size", machine->m_path));
    std::strncpy(machine->m_profile, std::string(profile.name).c_str(), sizeof machine->m_profile - 1);
    // Checked before it is mapped: a mapping of a short file faults.
    Header header {};
    if (!first) {
        if (fstat(machine->m_fd, &file) != 0 || file.st_size != static_cast<off_t>(sizeof(Image))
            || pread(machine->m_fd, &header, sizeof header, 0) != static_cast<ssize_t>(sizeof header)
            || header.magic != ImageMagic || header.version != ImageVersion || header.size != sizeof(Image)
            || std::memcmp(header.profile, machine->m_profile, sizeof header.profile) != 0)
            return fail(foreign);
    }
    void* mapping = mmap(nullptr, sizeof(Image), PROT_READ | PROT_WRITE, MAP_SHARED, machine->m_fd, 0);
    if (mapping == MAP_FAILED)
        return fail(systemError("cannot map", machine->m_path));
    if (!machine->m_watch.watch(mapping, sizeof(Image))) {
        munmap(mapping, sizeof(Image));
        return fail("this program has too many simulated machines open to add " + machine->m_path);
    }
    machine->m_image = static_cast<Image*>(mapping);
    Image& image = *machine->m_image;

    if (first) {
        new (&image) Image{};
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
        pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
        pthread_mutex_init(&image.mutex, &attributes);
        pthread_mutexattr_destroy(&attributes);
        std::memcpy(image.header.profile, machine->m_profile, sizeof image.header.profile);
        image.header.size = sizeof(Image);
        image.header.version = ImageVersion;
        image.header.magic = ImageMagic;
        machine->m_start = MachineStart::PowerOn;
    } else {
        // A change since the check shows at the first lock, which leaves
        // the file then.
        machine->m_start = MachineStart::Attach;
    }
    machine->m_state = &image.state;
    flockRetrying(machine->m_fd, LOCK_SH);
    machine->claimSlot();
    flockRetrying(machine->m_folderFd, LOCK_UN);
    result.machine = std::move(machine);
    return result;
}

void SimulatedMachine::claimSlot()
{
    m_pid = int32_t(getpid());
    lock();
    m_slot = -1;
    for (int n = 0; n < MaxHolders; ++n) {
        HolderSlot& slot = m_state->holders[static_cast<size_t>(n)];
        if (!alive(slot.pid, m_pid)) {
            slot = {m_pid, {}};
            m_slot = n;
            break;
        }
    }
    unlock();
}

SimulatedMachine::~SimulatedMachine()
{
    m_powerOnAgain = nullptr;
    if (!m_image) {
        // Opening failed before the file was mapped.
        if (m_fd >= 0)
            close(m_fd);
        if (m_folderFd >= 0)
            close(m_folderFd);
        return;
    }
    if (!shared()) {
        pthread_mutex_destroy(&m_image->mutex);
        delete m_image;
        return;
    }
    lock();
    if (m_slot >= 0)
        m_state->holders[static_cast<size_t>(m_slot)] = {0, {}};
    unlock();
    flockRetrying(m_folderFd, LOCK_EX);
    bool last = flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    if (last)
        unlink(m_path.c_str());
    m_watch.forget();
    munmap(m_image, sizeof(Image));
    close(m_fd);
    flockRetrying(m_folderFd, LOCK_UN);
    close(m_folderFd);
}

bool SimulatedMachine::sharedFileIntact() const
{
    // Reading a header the truncation took away faults, and the mapping
    // turns to zero pages: that reads as a broken header.
    Header header;
    std::memcpy(&header, const_cast<const Header*>(&m_image->header), sizeof header);
    const bool whole = header.magic == ImageMagic && header.version == ImageVersion && header.size == sizeof(Image)
                       && std::memcmp(header.profile, m_profile, sizeof header.profile) == 0;
    return whole && !m_watch.pagesLost();
}

void SimulatedMachine::lockShared()
{
    // A holder whose file was cut short while another waited for the lock
    // wakes nobody: the waiter looks at the file again every so often.
    constexpr long WaitNanoseconds = 200000000;
    for (;;) {
        timespec deadline {};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_nsec += WaitNanoseconds;
        if (deadline.tv_nsec >= 1000000000) {
            deadline.tv_nsec -= 1000000000;
            ++deadline.tv_sec;
        }
        const int outcome = pthread_mutex_clocklock(&m_image->mutex, CLOCK_MONOTONIC, &deadline);
        if (outcome == 0)
            return;
        if (outcome == EOWNERDEAD) {
            pthread_mutex_consistent(&m_image->mutex);
            return;
        }
        struct stat file {};
        const bool sized = fstat(m_fd, &file) == 0 && file.st_size == static_cast<off_t>(sizeof(Image));
        if (outcome != ETIMEDOUT || !sized || !sharedFileIntact()) {
            leaveShared();
            return;
        }
    }
}

void SimulatedMachine::leaveShared()
{
    if (!m_watch.pagesLost() && !MappingWatch::replaceWithPrivatePages(m_image, sizeof(Image))) {
        std::fprintf(stderr, "the simulated machine %s was changed by another program and cannot be left: %s\n",
                     m_path.c_str(), std::strerror(errno));
        std::abort();
    }
    m_watch.forget();
    m_left = true;
    new (m_image) Image{};
    pthread_mutex_init(&m_image->mutex, nullptr);
    m_state = &m_image->state;
    m_slot = 0;
    m_state->holders[0] = {m_pid, {}};
    m_start = MachineStart::PowerOn;
    m_powerOnPending = true;
    std::fprintf(stderr,
                 "the simulated machine %s was cut short or overwritten by another program; this program carries on "
                 "with a machine of its own, powered on afresh (end every program that uses it to share it again)\n",
                 m_path.c_str());
}

void SimulatedMachine::lock()
{
    if (shared() && !m_left) {
        if (!sharedFileIntact()) {
            leaveShared();
        } else {
            lockShared();
            // Pages lost while the lock was taken, or a header changed
            // while this holder waited for it.
            if (!m_left && !sharedFileIntact()) {
                if (!m_watch.pagesLost())
                    pthread_mutex_unlock(&m_image->mutex);
                leaveShared();
            }
        }
        if (!m_left)
            return;
    }
    if (pthread_mutex_lock(&m_image->mutex) == EOWNERDEAD)
        pthread_mutex_consistent(&m_image->mutex);
    if (m_powerOnPending && m_powerOnAgain) {
        m_powerOnPending = false;
        m_powerOnAgain();
    }
}

void SimulatedMachine::unlock() { pthread_mutex_unlock(&m_image->mutex); }

CpuBits SimulatedMachine::busyFloor()
{
    CpuBits cpus{};
    for (const HolderSlot& slot : m_state->holders)
        if (slot.pid != 0 && !slot.busyFloor.empty() && alive(slot.pid, m_pid))
            cpus |= slot.busyFloor;
    return cpus;
}

} // namespace sim
