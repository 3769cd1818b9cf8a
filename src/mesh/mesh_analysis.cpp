#include <string>
#include <string_view>

#include "app/run_context.h"
#include "catalogue/source_catalogue.h"
#include "common/stream_length.h"
#include "common/text.h"
#include "mesh/mesh_rewrite.h"
#include "mesh/mesh_tables.h"
#include "platform/file_system.h"

namespace vexmor {
namespace {

constexpr std::string_view kMeshExtension = ".3do";

}  // namespace

void analyseMesh(RunContext&, SourceCatalogue& catalogue, std::string meshName,
                 std::string readFolder, std::string recordFolder) {
    if (!meshName.empty() && meshName.front() == '\\') {
        meshName.erase(0, 1);
    }
    readFolder = withTrailingSeparator(std::move(readFolder));
    std::ifstream stream = platform::openForReading(readFolder + meshName);
    if (!stream.is_open()) {
        return;
    }
    const auto fileSize = static_cast<std::int64_t>(streamLength(stream));
    const MeshHeader header = readMeshHeader(stream);
    // A header whose tables cannot be in the file is no mesh; the rewrite reports it.
    if (!tablesFitFile(header, fileSize)) {
        return;
    }

    MeshRecord record;
    for (std::int64_t i = 0; i < header.mipCount; ++i) {
        record.mipNames.push_back(readNameField(stream));
    }
    for (std::int64_t i = 0; i < header.pmpCount; ++i) {
        record.pmpNames.push_back(readNameField(stream));
    }
    const std::string recordPath = recordFolder + meshName;
    const std::string_view recordDirectory = directoryPart(recordPath);
    for (std::int64_t i = 0; i < header.meshCount; ++i) {
        record.meshPaths.push_back(std::string(recordDirectory) + readNameField(stream) +
                                   std::string(kMeshExtension));
    }
    record.name = toLowerAscii(recordPath);
    record.scaling = false;
    catalogue.meshes.push_back(std::move(record));
}

}  // namespace vexmor
