#pragma once
// The part of sysfs the ATI stand-in reads: the entries of a folder, the
// text of a file and where an entry really leads. On a real machine the
// files under /sys/class/drm (DiskDrmTree); tests read recorded trees, and
// the simulated GPUs answer from memory.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class DrmTree {
public:
    virtual ~DrmTree() = default;
    // The names in a folder, relative to the tree's root ("" is the root);
    // empty when it cannot be listed.
    virtual std::vector<std::string> list(const std::string& folder) const = 0;
    // The text of a file; nothing when it cannot be read.
    virtual std::optional<std::string> read(const std::string& file) const = 0;
    // The path with every link followed, to tell two entries of one device
    // apart from two devices; nothing when it does not exist.
    virtual std::optional<std::string> resolve(const std::string& path) const = 0;
};

// The files under a folder of this machine.
class DiskDrmTree : public DrmTree {
public:
    static constexpr const char* SystemRoot = "/sys/class/drm";
    explicit DiskDrmTree(std::string root = SystemRoot) : m_root(std::move(root)) {}

    std::vector<std::string> list(const std::string& folder) const override;
    std::optional<std::string> read(const std::string& file) const override;
    std::optional<std::string> resolve(const std::string& path) const override;

private:
    std::string full(const std::string& path) const { return path.empty() ? m_root : m_root + "/" + path; }
    std::string m_root;
};

} // namespace platform
