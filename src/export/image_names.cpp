#include "export/image_names.h"

#include <charconv>
#include <span>
#include <vector>

#include <fmt/format.h>

#include "common/text.h"

namespace vexmor {
namespace {

constexpr std::string_view kMipLevelName = "{}.{}.{}.{}x{}.{}B.png";
constexpr std::string_view kMi4LevelName =
    "{}.{}.{}.{}x{}.{}B.Offset.{}.size.{}.magic.{}.level.{}.png";
constexpr std::string_view kImageExtension = ".png";
constexpr std::string_view kMipExtension = ".mip";

// The fields a level name adds after the texture's own name, in order.
constexpr std::size_t kMipLevelFields = 4;
constexpr std::size_t kMi4LevelFields = 12;

// A plain decimal number: digits only, no sign, small enough for 64 bits.
std::optional<std::uint64_t> numberIn(std::string_view text) {
    std::uint64_t value = 0;
    if (text.empty() || text.size() > 19) {
        return std::nullopt;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint32_t> wordIn(std::string_view text) {
    const std::optional<std::uint64_t> value = numberIn(text);
    if (!value || *value > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*value);
}

// "{a}{separator}{b}" with both numbers; `separator` is compared without regard to case.
bool numberPair(std::string_view text, char separator, std::uint64_t& first,
                std::uint64_t& second) {
    const std::string lowered = toLowerAscii(text);
    const std::size_t at = lowered.find(separator);
    if (at == std::string::npos) {
        return false;
    }
    const std::optional<std::uint64_t> a = numberIn(text.substr(0, at));
    const std::optional<std::uint64_t> b = numberIn(text.substr(at + 1));
    if (!a || !b) {
        return false;
    }
    first = *a;
    second = *b;
    return true;
}

// The name without ".png", cut at its last `count` dots: the texture part first, then the
// fields. Nothing when the name has fewer dots or a field holds a separator.
std::optional<std::vector<std::string_view>> splitFields(std::string_view stem, std::size_t count) {
    std::vector<std::string_view> parts(count + 1);
    for (std::size_t i = count; i > 0; --i) {
        const std::size_t dot = stem.rfind('.');
        if (dot == std::string_view::npos) {
            return std::nullopt;
        }
        parts[i] = stem.substr(dot + 1);
        if (lastSeparator(parts[i]) != std::string_view::npos) {
            return std::nullopt;
        }
        stem = stem.substr(0, dot);
    }
    parts[0] = stem;
    return parts;
}

// Level L of N counted from 1, a W×H size and an "{S}B" byte count; fills the name's level
// fields and returns the byte count.
std::optional<std::uint64_t> readLevelFields(std::span<const std::string_view> fields,
                                             ImageName& name) {
    const std::optional<std::uint32_t> level = wordIn(fields[0]);
    const std::optional<std::uint32_t> numMips = wordIn(fields[1]);
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    if (!level || !numMips || *level == 0 || *level > *numMips ||
        !numberPair(fields[2], 'x', width, height) || width > 0xFFFFFFFFu || height > 0xFFFFFFFFu ||
        fields[3].size() < 2 || toLowerAscii(fields[3].substr(fields[3].size() - 1)) != "b") {
        return std::nullopt;
    }
    name.level = *level - 1;
    name.numMips = *numMips;
    name.width = static_cast<std::uint32_t>(width);
    name.height = static_cast<std::uint32_t>(height);
    return numberIn(fields[3].substr(0, fields[3].size() - 1));
}

std::optional<ImageName> mipLevelName(std::string_view stem) {
    const auto fields = splitFields(stem, kMipLevelFields);
    if (!fields || extensionOf((*fields)[0]) != "mip") {
        return std::nullopt;
    }
    ImageName name;
    name.form = ImageNameForm::mipLevel;
    name.texture = std::string((*fields)[0]);
    const std::optional<std::uint64_t> bytes = readLevelFields(std::span(*fields).subspan(1), name);
    if (!bytes || *bytes != std::uint64_t{name.width} * name.height) {
        return std::nullopt;
    }
    return name;
}

bool isWord(std::string_view field, std::string_view word) {
    return toLowerAscii(field) == toLowerAscii(word);
}

std::optional<ImageName> mi4LevelName(std::string_view stem) {
    const auto fields = splitFields(stem, kMi4LevelFields);
    if (!fields || extensionOf((*fields)[0]) != "mi4") {
        return std::nullopt;
    }
    const std::vector<std::string_view>& f = *fields;
    ImageName name;
    name.form = ImageNameForm::mi4Level;
    name.texture = std::string(f[0]);
    const std::optional<std::uint64_t> bytes = readLevelFields(std::span(f).subspan(1, 4), name);
    const std::optional<std::uint64_t> size = numberIn(f[8]);
    if (!bytes || !isWord(f[5], "Offset") || !wordIn(f[6]) || !isWord(f[7], "size") || !size ||
        *size != *bytes || !isWord(f[9], "magic") || !wordIn(f[10]) || !isWord(f[11], "level") ||
        !wordIn(f[12]) || *bytes != std::uint64_t{name.width} * name.height / 2) {
        return std::nullopt;
    }
    return name;
}

// A name that has the shape of a level name but not its content names nothing; only names of
// another shape may be level-0-only names. The shape is the byte count's "B" four fields from
// the end, or the word "level" one field from the end.
bool looksLikeLevelName(std::string_view stem) {
    const auto mip = splitFields(stem, kMipLevelFields);
    if (mip && toLowerAscii((*mip)[kMipLevelFields]).ends_with("b")) {
        return true;
    }
    const auto mi4 = splitFields(stem, kMi4LevelFields);
    return mi4 && isWord((*mi4)[kMi4LevelFields - 1], "level");
}

}  // namespace

std::string mipLevelImageName(std::string_view exportPath, std::uint32_t level,
                              std::uint32_t numMips, std::uint32_t width, std::uint32_t height) {
    return fmt::format(kMipLevelName, exportPath, level + 1, numMips, width, height,
                       std::uint64_t{width} * height);
}

std::string mipFirstLevelImageName(std::string_view exportPath) {
    const std::size_t keep = exportPath.size() >= 4 ? exportPath.size() - 4 : 0;
    return std::string(exportPath.substr(0, keep)) + std::string(kImageExtension);
}

std::string mi4LevelImageName(std::string_view exportPath, std::uint64_t level,
                              const Mi4Header& header, const Mi4ReadGeometry& geometry,
                              const Mi4LevelRecord& record) {
    return fmt::format(kMi4LevelName, exportPath, level + 1, header.numMips, geometry.width,
                       geometry.height, geometry.packedBytes, record.offset, geometry.packedBytes,
                       record.magic, record.mipLevelInternal);
}

std::optional<ImageName> parseImageName(std::string_view relative) {
    if (relative.size() <= kImageExtension.size() ||
        toLowerAscii(relative.substr(relative.size() - kImageExtension.size())) !=
            kImageExtension) {
        return std::nullopt;
    }
    const std::string_view stem = relative.substr(0, relative.size() - kImageExtension.size());
    if (std::optional<ImageName> name = mi4LevelName(stem)) {
        return name;
    }
    if (std::optional<ImageName> name = mipLevelName(stem)) {
        return name;
    }
    if (looksLikeLevelName(stem) || fileNamePart(stem).empty()) {
        return std::nullopt;
    }
    ImageName name;
    name.form = ImageNameForm::mipFirstLevel;
    name.texture = std::string(stem) + std::string(kMipExtension);
    return name;
}

}  // namespace vexmor
