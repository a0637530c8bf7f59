#pragma once
// The conversation between a monitor and its privileged register helper
// (ostrel-msr-helper), over the helper's standard input and output. Every
// request and every reply has a fixed size; values travel in the host's byte
// order (both ends run on the same machine).
//
// A request names one register access: read or write, the logical CPU, the
// register, and for a write the value. The helper answers each request with
// one reply: ok, the errno of a failure, and the value read.

#include <cstdint>
#include <cstring>
#include <optional>

namespace platform::msrhelper {

constexpr uint32_t RequestMagic = 0x4F4D5352; // "OMSR"
// Logical CPUs the helper accepts (the kernel's limit is far higher, the
// programs' far lower).
constexpr uint32_t MaxCpus = 1024;

enum class Operation : uint32_t { Read = 1, Write = 2 };

struct Request {
    uint32_t magic = RequestMagic;
    uint32_t operation = 0;
    uint32_t cpu = 0;
    uint32_t index = 0;
    uint64_t value = 0;
};
static_assert(sizeof(Request) == 24);

struct Reply {
    uint32_t ok = 0;
    int32_t error = 0; // errno of the failure; 0 when ok
    uint64_t value = 0;
};
static_assert(sizeof(Reply) == 16);

constexpr size_t RequestSize = sizeof(Request);
constexpr size_t ReplySize = sizeof(Reply);

// A request as it arrived; nullopt when it is not a well-formed request (wrong
// magic, unknown operation, a CPU out of range, a value given for a read).
inline std::optional<Request> decodeRequest(const unsigned char* bytes)
{
    Request request;
    std::memcpy(&request, bytes, sizeof request);
    if (request.magic != RequestMagic || request.cpu >= MaxCpus)
        return std::nullopt;
    if (request.operation == static_cast<uint32_t>(Operation::Read)) {
        if (request.value != 0)
            return std::nullopt;
    } else if (request.operation != static_cast<uint32_t>(Operation::Write)) {
        return std::nullopt;
    }
    return request;
}

} // namespace platform::msrhelper
