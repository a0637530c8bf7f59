#pragma once
// A recorded /sys/class/drm tree in a temporary folder: card<N> entries whose
// device links lead to PCI device folders with their amdgpu files.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace gputest {

namespace fs = std::filesystem;

struct CardSpec {
    std::string vendor = "0x1002";
    std::string pci = "0000:03:00.0";
    std::optional<int> millidegrees = 45000; // nothing: no hwmon folder
    std::string productName = "";
};

struct DrmFixture {
    fs::path top;

    DrmFixture()
    {
        char name[] = "/tmp/drm-tree-XXXXXX";
        top = mkdtemp(name);
        fs::create_directories(root());
    }
    ~DrmFixture()
    {
        std::error_code ignored;
        fs::remove_all(top, ignored);
    }

    std::string root() const { return (top / "class" / "drm").string(); }
    fs::path device(const std::string& pci) const { return top / "devices" / pci; }

    static void write(const fs::path& file, const std::string& text)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }

    void card(int n, const CardSpec& spec)
    {
        const fs::path dev = device(spec.pci);
        write(dev / "vendor", spec.vendor + "\n");
        write(dev / "device", "0x73bf\n");
        write(dev / "current_link_width", "16\n");
        if (!spec.productName.empty())
            write(dev / "product_name", spec.productName + "\n");
        if (spec.millidegrees)
            setTemperature(spec.pci, *spec.millidegrees);
        const fs::path entry = fs::path(root()) / ("card" + std::to_string(n));
        fs::create_directories(entry);
        if (!fs::exists(entry / "device"))
            fs::create_directory_symlink(dev, entry / "device");
    }

    void setTemperature(const std::string& pci, int millidegrees)
    {
        write(device(pci) / "hwmon" / "hwmon1" / "temp1_input", std::to_string(millidegrees) + "\n");
    }
    void removeTemperature(const std::string& pci) { fs::remove(device(pci) / "hwmon" / "hwmon1" / "temp1_input"); }
};

} // namespace gputest
