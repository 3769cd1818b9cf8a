#include "support/source_snapshot.h"

#include "support/temp_dir.h"

namespace vexmor::test {
namespace fs = std::filesystem;

SourceSnapshot::SourceSnapshot(fs::path root) : root_(std::move(root)), entries_(take(root_)) {}

std::map<std::string, SourceSnapshot::Entry> SourceSnapshot::take(const fs::path& root) {
    std::map<std::string, Entry> entries;
    std::error_code error;
    // An archive is a source of its own: the file is the one entry.
    if (fs::is_regular_file(root, error)) {
        entries.emplace(".", Entry{false, readFile(root), fs::last_write_time(root, error)});
        return entries;
    }
    for (auto it = fs::recursive_directory_iterator(root, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        Entry entry;
        entry.folder = it->is_directory(error);
        if (!entry.folder) {
            entry.bytes = readFile(it->path());
        }
        entry.modified = it->last_write_time(error);
        entries.emplace(fs::relative(it->path(), root).generic_string(), std::move(entry));
    }
    return entries;
}

std::vector<std::string> SourceSnapshot::differences() const {
    const std::map<std::string, Entry> now = take(root_);
    std::vector<std::string> differences;
    for (const auto& [name, before] : entries_) {
        const auto found = now.find(name);
        if (found == now.end()) {
            differences.push_back(name + " was removed");
            continue;
        }
        const Entry& after = found->second;
        if (after.folder != before.folder || after.bytes != before.bytes) {
            differences.push_back(name + " changed its contents");
        } else if (!before.folder && after.modified != before.modified) {
            differences.push_back(name + " was written to");
        }
    }
    for (const auto& [name, after] : now) {
        if (!entries_.contains(name)) {
            differences.push_back(name + " was added");
        }
    }
    return differences;
}

}  // namespace vexmor::test
