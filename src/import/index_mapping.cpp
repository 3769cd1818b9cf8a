#include "import/index_mapping.h"

#include <limits>

namespace vexmor {
namespace {

std::int64_t squaredDistance(std::uint32_t a, std::uint32_t b) {
    std::int64_t total = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::int64_t d =
            static_cast<std::int64_t>((a >> shift) & 0xFFu) - ((b >> shift) & 0xFFu);
        total += d * d;
    }
    return total;
}

}  // namespace

IndexMapping::IndexMapping(std::span<const std::uint32_t> colours) {
    colours_.reserve(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i) {
        colours_.push_back(rgbOf(colours[i]));
        lowestIndex_.try_emplace(colours_.back(), static_cast<std::uint8_t>(i));
    }
}

IndexMapping::Result IndexMapping::map(std::uint32_t colour, std::uint32_t shown,
                                       std::uint8_t current) {
    colour = rgbOf(colour);
    if (colour == rgbOf(shown)) {
        return {current, false};
    }
    if (const auto exact = lowestIndex_.find(colour); exact != lowestIndex_.end()) {
        return {exact->second, false};
    }
    const auto [cached, isNew] = nearestCache_.try_emplace(colour, 0);
    if (isNew) {
        cached->second = nearest(colour);
    }
    return {cached->second, true};
}

std::uint8_t IndexMapping::nearest(std::uint32_t colour) const {
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    std::uint8_t index = 0;
    for (std::size_t i = 0; i < colours_.size(); ++i) {
        const std::int64_t distance = squaredDistance(colour, colours_[i]);
        if (distance < best) {
            best = distance;
            index = static_cast<std::uint8_t>(i);
        }
    }
    return index;
}

}  // namespace vexmor
