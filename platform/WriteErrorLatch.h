#pragma once
// The last failure of a file that is written again and again (the logs): it
// is reported once, not on every attempt, until a write succeeds or another
// failure replaces it; and at the end it says what could not be written.

#include "platform/CFormat.h"
#include "platform/UserFile.h"

#include <algorithm>
#include <optional>
#include <string>

namespace platform {

class WriteErrorLatch {
public:
    void succeeded() { m_error.reset(); }
    void failed(UserFileError error)
    {
        if (m_error != error) {
            m_error = std::move(error);
            m_taken = false;
        }
    }

    const std::optional<UserFileError>& last() const { return m_error; }

    // The failure, the first time it is asked for; nothing after that.
    std::optional<UserFileError> takeNew()
    {
        if (!m_error || m_taken)
            return std::nullopt;
        m_taken = true;
        return m_error;
    }

    // "<program>: 3 log lines could not be written to <path> (<reason>)" for
    // the lines of `pending`; empty when nothing is pending or nothing failed.
    std::string unwrittenReport(const std::string& program, const std::string& pending) const
    {
        if (!m_error || pending.empty())
            return {};
        const long lines = std::count(pending.begin(), pending.end(), '\n');
        return cformat("%s: %ld log %s could not be written to %s (%s)", program.c_str(), lines,
                       lines == 1 ? "line" : "lines", m_error->path.c_str(), m_error->reason.c_str());
    }

private:
    std::optional<UserFileError> m_error;
    bool m_taken = false;
};

} // namespace platform
