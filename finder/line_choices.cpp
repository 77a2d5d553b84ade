#include "finder/line_choices.h"

#include <algorithm>

namespace {

// Baud-rate indexes by how common the rate is on such boards.
constexpr int kBaudsByUse[] = {3, 7, 4, 5, 6, 2, 1, 0};
// Parity and stop-bit indexes by how common the framing is.
constexpr PortConfig kFramingsByUse[] = {{0, 0, 0}, {0, 2, 0}, {0, 1, 0},
                                         {0, 0, 1}, {0, 2, 1}, {0, 1, 1}};

std::string Item(int value) { return std::to_string(value); }
std::string Item(std::string_view value) { return std::string(value); }

// A list's item, "#n" past its end.
template <typename T, size_t N> std::string ItemText(int index, const std::array<T, N>& items) {
    return index >= 0 && index < int(N) ? Item(items[size_t(index)]) : "#" + std::to_string(index);
}

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
    return ItemText(line.baud, kBaudRates) + " " + ItemText(line.parity, kParityNames) + " " +
           ItemText(line.stop, kStopBits);
}
