#include "app/run_statistics.h"

#include <algorithm>

#include "app/console.h"

namespace vexmor {
namespace {

constexpr std::string_view kTotals =
    "Num paletted {0:}, Num mips {1:}, total size {2:} (0x{2:08X}) bytes ({3:} KB, {4:} MB)";
constexpr std::string_view kMedian = "Max MIP dims {}x{}, median size {} bytes ({} KB, {} MB)";
constexpr std::string_view kQuartiles = "Inter-quartile range {} bytes";
constexpr std::string_view kLargest = "Largest MIP size {0:} bytes (0x{0:08X}) of dims {1:}x{2:}";

constexpr double kPerKilo = 0.0009765625;  // 1 / 1024

}  // namespace

void printStatistics(RunStatistics& s, Console& console) {
    std::vector<std::uint64_t>& sizes = s.mipLevelSizes;
    std::sort(sizes.begin(), sizes.end());
    const std::size_t n = sizes.size();

    // With no level read the median and the range are undefined; both print as 0.
    double median = 0;
    double range = 0;
    if (n > 0) {
        median =
            n % 2 == 1
                ? static_cast<double>(sizes[(n - 1) / 2])
                : (static_cast<double>(sizes[n / 2 - 1]) + static_cast<double>(sizes[n / 2])) / 2.0;
        range = static_cast<double>(sizes[3 * n / 4] - sizes[n / 4]);
    }
    const double total = static_cast<double>(s.totalMipBytes);
    const double doubledMedian = 2 * median;

    console.printLine(kTotals, s.numPaletted, s.numMipFiles, s.totalMipBytes, total * kPerKilo,
                      total * kPerKilo * kPerKilo);
    console.printLine(kMedian, s.maxMipWidth, s.maxMipHeight, doubledMedian, doubledMedian / 1024,
                      doubledMedian / 1048576);
    console.printLine(kQuartiles, range);
    console.printLine(kLargest, s.largestMipSize, s.largestMipWidth, s.largestMipHeight);
}

}  // namespace vexmor
