#pragma once
// The privileged end of register access: serves read and write requests of
// one monitor (platform/MsrHelperProtocol.h) on the msr device files, for the
// registers of registers/RegisterAccessList.h only. It opens /dev/cpu/N/msr itself,
// loading the msr module first when the device files are missing, and ends
// when its input closes. A request that is not well formed is answered with
// EPROTO and ends the conversation: the stream can no longer be trusted to be
// in step. A register off the list is answered with EPERM. Neither ever
// reaches a device file. A write is served only when it changes no bit of
// the register but those the list allows: the helper reads the register
// first and answers EPERM, writing nothing, when another bit would change.

#include "platform/MsrHelperProtocol.h"

#include <map>
#include <string>

namespace helper {

class MsrHelper {
public:
    explicit MsrHelper(std::string deviceRoot = "/dev/cpu");
    ~MsrHelper();
    MsrHelper(const MsrHelper&) = delete;
    MsrHelper& operator=(const MsrHelper&) = delete;

    // One access.
    platform::msrhelper::Reply handle(const platform::msrhelper::Request& request);

    // Reads requests from `in` and writes replies to `out` until `in` ends;
    // the replies to requests that arrived together leave together.
    // 0 when it ended between two requests; 1 on a truncated or malformed
    // request or when a reply cannot be written.
    int serve(int in, int out);

private:
    int deviceFor(uint32_t cpu, int& error);

    std::string m_deviceRoot;
    std::map<uint32_t, int> m_devices;
    bool m_moduleTried = false;
};

} // namespace helper
