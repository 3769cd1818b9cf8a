#include "platform/png_filter.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace vexmor::platform {
namespace {

constexpr std::array<PngFilter, 5> kRowFilters = {PngFilter::none, PngFilter::sub, PngFilter::up,
                                                  PngFilter::average, PngFilter::paeth};

std::uint8_t paethPredictor(int left, int above, int aboveLeft) {
    const int estimate = left + above - aboveLeft;
    const int toLeft = std::abs(estimate - left);
    const int toAbove = std::abs(estimate - above);
    const int toAboveLeft = std::abs(estimate - aboveLeft);
    if (toLeft <= toAbove && toLeft <= toAboveLeft) {
        return static_cast<std::uint8_t>(left);
    }
    return static_cast<std::uint8_t>(toAbove <= toAboveLeft ? above : aboveLeft);
}

// Filters one row into `out` (rowBytes bytes, after the type byte); `above` is the row before,
// all zeros for the first. Bytes left of the row count as zeros.
void filterRow(const std::uint8_t* row, const std::uint8_t* above, std::size_t rowBytes,
               std::size_t pixelBytes, PngFilter filter, std::uint8_t* out) {
    const std::size_t lead = std::min(pixelBytes, rowBytes);
    switch (filter) {
        case PngFilter::none:
        case PngFilter::adaptive:
            std::copy(row, row + rowBytes, out);
            return;
        case PngFilter::sub:
            std::copy(row, row + lead, out);
            for (std::size_t i = lead; i < rowBytes; ++i) {
                out[i] = static_cast<std::uint8_t>(row[i] - row[i - pixelBytes]);
            }
            return;
        case PngFilter::up:
            for (std::size_t i = 0; i < rowBytes; ++i) {
                out[i] = static_cast<std::uint8_t>(row[i] - above[i]);
            }
            return;
        case PngFilter::average:
            for (std::size_t i = 0; i < rowBytes; ++i) {
                const int left = i >= pixelBytes ? row[i - pixelBytes] : 0;
                out[i] = static_cast<std::uint8_t>(row[i] - (left + above[i]) / 2);
            }
            return;
        case PngFilter::paeth:
            for (std::size_t i = 0; i < rowBytes; ++i) {
                const int left = i >= pixelBytes ? row[i - pixelBytes] : 0;
                const int aboveLeft = i >= pixelBytes ? above[i - pixelBytes] : 0;
                out[i] =
                    static_cast<std::uint8_t>(row[i] - paethPredictor(left, above[i], aboveLeft));
            }
            return;
    }
}

std::uint64_t signedMagnitude(const std::uint8_t* bytes, std::size_t count) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += bytes[i] < 128 ? bytes[i] : 256 - bytes[i];
    }
    return sum;
}

}  // namespace

ByteBuffer filterRows(const std::vector<std::uint8_t>& rows, std::size_t rowBytes,
                      std::size_t height, std::size_t pixelBytes, PngFilter filter) {
    ByteBuffer stream(height * (rowBytes + 1));
    // The row above the first is all zeros; only the filters that look up need it.
    const std::vector<std::uint8_t> zeros(filter == PngFilter::none ? 0 : rowBytes);
    std::vector<std::uint8_t> trial(filter == PngFilter::adaptive ? rowBytes : 0);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* row = rows.data() + y * rowBytes;
        const std::uint8_t* above = y == 0 ? zeros.data() : row - rowBytes;
        std::uint8_t* out = stream.data() + y * (rowBytes + 1);
        PngFilter chosen = filter;
        if (filter == PngFilter::adaptive) {
            std::uint64_t best = UINT64_MAX;
            for (const PngFilter candidate : kRowFilters) {
                filterRow(row, above, rowBytes, pixelBytes, candidate, trial.data());
                const std::uint64_t magnitude = signedMagnitude(trial.data(), rowBytes);
                if (magnitude < best) {
                    best = magnitude;
                    chosen = candidate;
                }
            }
        }
        out[0] = static_cast<std::uint8_t>(chosen);
        filterRow(row, above, rowBytes, pixelBytes, chosen, out + 1);
    }
    return stream;
}

}  // namespace vexmor::platform
