#include "texture/mip_file.h"

#include <string_view>
#include <utility>

#include "app/output_file.h"
#include "app/run_context.h"
#include "texture/chunked_stream.h"
#include "texture/mip_reader.h"

namespace vexmor {

namespace {

constexpr std::string_view kReExported =
    "Re-exported {}. Original size {}, new size {}, actual data written {}";

}  // namespace

void readMip(Console& console, MipImage& image, std::string path, bool withPixels) {
    image = MipImage{};
    image.path = path;
    MipReader reader(console, std::move(path));
    if (!reader.isOpen()) {
        return;
    }
    image.header = reader.header();
    image.width = image.header.width;
    image.height = image.header.heightMinus2 + 2;
    if (!reader.readRecords() || (withPixels && !reader.levelsFit())) {
        image.header.numMips = 0;
        return;
    }
    image.levelRecords = reader.records();
    if (!withPixels) {
        return;
    }
    image.levels.reserve(image.levelRecords.size());
    for (std::size_t i = 0; i < image.levelRecords.size(); ++i) {
        image.levels.push_back(reader.readLevel(i));
    }
}

bool writeMip(RunContext& context, MipImage& image, std::string path) {
    OutputFile file(context, path);
    if (!file.ready()) {
        return false;
    }
    std::ofstream out = file.openStream();
    writeChunked(out, encodeTextureHeader(image.header));

    const std::uint32_t tableBytes = static_cast<std::uint32_t>(
        kTextureHeaderSize + kLevelRecordSize * image.levelRecords.size());
    std::uint32_t position = tableBytes;
    for (std::size_t i = 0; i < image.levelRecords.size(); ++i) {
        MipLevelRecord& record = image.levelRecords[i];
        record.offset = record.mipLevelInternal + position - 3;
        writeChunked(out, encodeLevelRecord(record));
        if (i < image.levels.size()) {
            position += static_cast<std::uint32_t>(image.levels[i].size());
        }
    }

    std::uint64_t written = 0;
    for (const std::vector<std::uint8_t>& level : image.levels) {
        written += writeChunked(out, level);
    }
    context.console.printInfoLine(kReExported, path, std::uint64_t{image.header.size} + 4, position,
                                  written + tableBytes);

    image.header.size = position - 4;
    out.seekp(0);
    writeChunked(out, encodeTextureHeader(image.header));
    return file.commit(out);
}

}  // namespace vexmor
