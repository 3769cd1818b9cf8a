#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vexmor {

// One source file: from a folder scan its path below the source folder (`\` separators, the
// case the file system reports); from a DAT archive the output folder text and member name.
struct FileEntry {
    std::string name;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

// One MIP texture seen by the MIP pass.
struct MipEntry {
    std::string baseName;
    std::uint32_t width = 0;
    std::uint32_t height = 0;  // full height: the stored height plus 2
    bool shrunk = false;
};

// The catalogue's record of one 3DO file.
struct MeshRecord {
    std::string name;  // lower-case destination path
    std::vector<std::string> mipNames;
    std::vector<std::string> pmpNames;
    std::vector<std::string> meshPaths;
    bool scaling = false;  // nothing sets it
};

// The run's central record of source files, palette and the texture and mesh passes' results.
// Members are destroyed in reverse order: meshes, mips, palette colours, files.
struct SourceCatalogue {
    std::uint16_t fileCount = 0;
    std::uint32_t paletteFileIndex = 0;
    bool oversizeMipSeen = false;
    bool icr2Palette = false;
    std::vector<FileEntry> files;
    bool paletteLoaded = false;
    std::array<std::uint8_t, 768> paletteRgb{};
    std::vector<std::uint32_t> paletteColours;  // 0xFFBBGGRR
    std::map<std::string, MipEntry> mips;       // byte-wise key order
    std::vector<MeshRecord> meshes;
    bool scanCutShort = false;  // the folder scan ended at an error: `files` misses some

    // Find-or-insert: a key not yet present gets an empty entry.
    MipEntry& mipEntry(const std::string& key) { return mips[key]; }
};

}  // namespace vexmor
