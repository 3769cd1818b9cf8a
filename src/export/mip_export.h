#pragma once

#include <string>
#include <string_view>

namespace vexmor {

class RunContext;
struct MipImage;
struct SourceCatalogue;

// The MIP pass's reader: fills the image, the statistics and the catalogue's entry, checks the
// level records, counts colours and with "-explode" writes each level as a PNG. With `readFrom`
// the texture is read from that file but known and named as `mipPath`.
void processMipFile(RunContext& context, SourceCatalogue& catalogue, MipImage& image,
                    std::string mipPath, bool convert, std::string source, std::string output,
                    bool firstLevelOnly, std::string_view readFrom = {});

}  // namespace vexmor
