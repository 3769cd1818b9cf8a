#include "import/import_plan.h"

#include "app/run_context.h"
#include "catalogue/source_catalogue.h"
#include "common/text.h"
#include "export/image_names.h"
#include "import/import_files.h"
#include "platform/file_system.h"

namespace vexmor {
namespace {

constexpr std::string_view kUnknownName = "its name is not one the export gives";
constexpr std::string_view kNoTexture = "texture {} does not exist";
constexpr std::string_view kSecondImage = "level {} of {} already has image {}";

bool isImageFile(std::string_view name) {
    return toLowerAscii(name).ends_with(".png");
}

bool textureExists(const std::string& path) {
    try {
        return platform::pathKind(path) == platform::PathKind::regularFile;
    } catch (const platform::FileSystemError&) {
        return false;
    }
}

}  // namespace

std::vector<TextureImports> planImports(RunContext& context, const SourceCatalogue& catalogue,
                                        const std::string& images, const std::string& target) {
    std::vector<TextureImports> plan;
    // Paths below the target resolve without regard to case, so one texture has one key.
    std::map<std::string, std::size_t> byTexture;
    for (const FileEntry& entry : catalogue.files) {
        if (!isImageFile(entry.name)) {
            continue;
        }
        const std::optional<ImageName> name = parseImageName(entry.name);
        if (!name) {
            reportSkippedImage(context, entry.name, kUnknownName);
            continue;
        }
        const std::string texturePath = target + name->texture;
        if (!textureExists(texturePath)) {
            reportSkippedImage(context, entry.name, formatMessage(kNoTexture, texturePath));
            continue;
        }
        const auto [found, isNew] = byTexture.try_emplace(toLowerAscii(name->texture), plan.size());
        if (isNew) {
            plan.push_back({texturePath, name->form == ImageNameForm::mi4Level, {}});
        }
        TextureImports& imports = plan[found->second];
        LevelImage image{entry.name, images + entry.name, name->width, name->height};
        const auto [level, added] = imports.levels.try_emplace(name->level, std::move(image));
        if (!added) {
            reportSkippedImage(context, entry.name,
                               formatMessage(kSecondImage, std::uint64_t{name->level} + 1,
                                             imports.path, level->second.name));
        }
    }
    return plan;
}

}  // namespace vexmor
