#include "finder/line_choices.h"

#include <algorithm>

namespace {

// Baud-rate indexes by how common the rate is on such boards.
constexpr int kBaudsByUse[] = {3, 7, 4, 5, 6, 2, 1, 0};
// Parity and stop-bit indexes by how common the framing is.
constexpr PortConfig kFramingsByUse[] = {{0, 0, 0}, {0, 2, 0}, {0, 1, 0},
                                         {0, 0, 1}, {0, 2, 1}, {0, 1, 1}};

} // namespace

std::vector<PortConfig> SearchOrder(std::optional<PortConfig> remembered) {
    std::vector<PortConfig> order;
    if (remembered && IsListedLine(*remembered)) order.push_back(*remembered);
    for (const PortConfig& framing : kFramingsByUse)
        for (const int baud : kBaudsByUse) {
            const PortConfig line{baud, framing.parity, framing.stop};
            if (std::find(order.begin(), order.end(), line) == order.end()) order.push_back(line);
        }
    return order;
}

bool IsListedLine(const PortConfig& line) {
    return line.baud >= 0 && line.baud < int(kBaudRates.size()) && line.parity >= 0 &&
           line.parity < int(kParityNames.size()) && line.stop >= 0 &&
           line.stop < int(kStopBits.size());
}

std::string LineText(const PortConfig& line) {
    DeviceSettings settings;
    settings.ports[0] = line;
    auto item = [&](SettingKind kind) { return ValueText(settings, {kind, 0}); };
    return item(SettingKind::Baud) + " " + item(SettingKind::Parity) + " " +
           item(SettingKind::Stop);
}
