#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vexmor::test {

// Every file and folder below a source folder (or a source archive alone), each file with its
// bytes and modification time, taken before a run, so a test can check that the run left its
// source alone.
class SourceSnapshot {
public:
    explicit SourceSnapshot(std::filesystem::path root);

    // What differs now from when the snapshot was taken, one text per difference; empty when
    // nothing does.
    std::vector<std::string> differences() const;

    // Adds a test failure for each difference. Defined with the tests
    // (tests/fault/source_snapshot_test.cpp), the one place that links GoogleTest.
    void expectUnchanged() const;

private:
    struct Entry {
        bool folder = false;
        std::vector<std::uint8_t> bytes;
        std::filesystem::file_time_type modified;
    };
    static std::map<std::string, Entry> take(const std::filesystem::path& root);

    std::filesystem::path root_;
    std::map<std::string, Entry> entries_;
};

}  // namespace vexmor::test
