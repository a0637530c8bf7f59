#pragma once
// The ATI display library stand-in over the amdgpu driver's sysfs: one
// adapter per card<N> of /sys/class/drm whose device has the vendor 0x1002,
// in the order of N. An adapter's
//  - name is the device's product_name, else "AMD Radeon Graphics (<device id>)";
//  - temperature is hwmon*/temp1_input (thousandths of a degree);
//  - identifier is the same for entries that lead to one device, and the
//    call fails for a card without a temperature input, so such a card is
//    never read;
//  - activity: freq1_input and freq2_input (Hz) as engine and memory clock,
//    in0_input (mV) as voltage, gpu_busy_percent, current_link_width and
//    max_link_width.

#include "monitor/gpu/AdlLibrary.h"
#include "platform/DrmTree.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace monitor {

class AdlOverSysfs : public AdlLibrary {
public:
    static constexpr const char* AmdVendor = "0x1002";

    explicit AdlOverSysfs(std::shared_ptr<const platform::DrmTree> tree);

    bool hasFunction(std::string_view name) const override;
    int mainControlCreate(adl::MallocCallback callback, int enumerateConnected) override;
    int mainControlDestroy() override;
    int numberOfAdapters(int* count) override;
    int adapterInfo(adl::AdapterInfo* info, int bytes) override;
    int adapterActive(int adapter, int* active) override;
    int temperature(int adapter, int thermalController, adl::Temperature* temperature) override;
    int adapterId(int adapter, int* id) override;
    int currentActivity(int adapter, adl::PmActivity* activity) override;

private:
    struct Card {
        std::string name;   // "card0"
        std::string device; // "card0/device"
        int id;             // 1, 2, ... per distinct device
    };
    bool valid(int adapter) const { return m_created && adapter >= 0 && adapter < static_cast<int>(m_cards.size()); }
    // The card's hwmon folder with a temperature input.
    std::optional<std::string> hwmonFolder(const Card& card) const;
    std::optional<long long> number(const std::string& file) const;

    std::shared_ptr<const platform::DrmTree> m_tree;
    bool m_created = false;
    std::vector<Card> m_cards;
};

} // namespace monitor
