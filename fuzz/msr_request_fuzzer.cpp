// The register helper's conversation over arbitrary input: the requests go
// through MsrHelper::serve on a fake device root, and afterwards the device
// files must hold exactly what a model of the protocol predicts. Only whole,
// well-formed write requests for listed registers before the first bad or
// cut-short request, changing no bit but the register's writable ones, may
// have changed anything.

#include "fuzz/FuzzScratch.h"
#include "helper/MsrHelper.h"
#include "registers/RegisterAccessList.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kCpus = 2;
constexpr size_t kDeviceSize = 0x700;

std::string devicePath(int cpu)
{
    return fuzz::scratchFolder() + "/" + std::to_string(cpu) + "/msr";
}

std::string pattern(int cpu)
{
    std::string bytes(kDeviceSize, '\0');
    for (size_t offset = 0; offset < bytes.size(); ++offset)
        bytes[offset] = static_cast<char>((offset * 7 + cpu * 101) & 0xFF);
    return bytes;
}

std::string contents(int cpu)
{
    std::ifstream in(devicePath(cpu), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    namespace fs = std::filesystem;
    using namespace platform::msrhelper;
    std::string expected[kCpus];
    for (int cpu = 0; cpu < kCpus; ++cpu) {
        fs::create_directories(fs::path(devicePath(cpu)).parent_path());
        expected[cpu] = pattern(cpu);
        std::ofstream(devicePath(cpu), std::ios::binary | std::ios::trunc) << expected[cpu];
    }

    // The model: requests in order until the first one that is cut short or
    // not well formed.
    for (size_t at = 0; at + RequestSize <= size; at += RequestSize) {
        const std::optional<Request> request = decodeRequest(data + at);
        if (!request)
            break;
        const bool write = request->operation == static_cast<uint32_t>(Operation::Write);
        if (!write || request->cpu >= kCpus || request->index > kDeviceSize - 8)
            continue;
        char* held = expected[request->cpu].data() + request->index;
        uint64_t current = 0;
        std::memcpy(&current, held, 8);
        if (registers::writeAllowed(request->index, current, request->value))
            std::memcpy(held, &request->value, 8);
    }

    int in[2];
    int out[2];
    fuzz::check(::socketpair(AF_UNIX, SOCK_STREAM, 0, in) == 0, "msr_request_fuzzer", "socketpair");
    fuzz::check(::socketpair(AF_UNIX, SOCK_STREAM, 0, out) == 0, "msr_request_fuzzer", "socketpair");
    // Small inputs: the socket buffer holds all of it and every reply.
    const size_t fed = size > 64 * 1024 ? 64 * 1024 : size;
    if (fed > 0)
        fuzz::check(::write(in[1], data, fed) == static_cast<ssize_t>(fed), "msr_request_fuzzer", "feeding");
    ::shutdown(in[1], SHUT_WR);
    {
        helper::MsrHelper msrHelper(fuzz::scratchFolder());
        msrHelper.serve(in[0], out[0]);
    }
    for (int fd : {in[0], in[1], out[0], out[1]})
        ::close(fd);
    if (fed == size) {
        for (int cpu = 0; cpu < kCpus; ++cpu)
            fuzz::check(contents(cpu) == expected[cpu], "msr_request_fuzzer",
                        "a device file differs from what the requests allowed");
    }
    return 0;
}
