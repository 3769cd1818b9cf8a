#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/text.h"
#include "platform/folder_index.h"
#include "platform/posix/folder_lookup.h"

// Listing a folder for every name looked up in it makes a run quadratic in the files of one
// folder: each folder is listed once, and its names are kept by their lower-cased form.
//
// The kept names are a cache, never the truth. A folder's change and status-change times are
// recorded with its names; every lookup compares them with the folder's own and lists it again
// when they differ, so entries other processes add or remove are seen. A change this process
// makes is applied to the names and the new times recorded, but only when the folder was checked
// moments before: a change by someone else between that check and ours cannot be told from ours
// (as one between a listing and a creation never could), and the window is kept that short.
// Changes are made on several threads without holding the index: a lookup that finds the times
// of a folder this process changed moments ago moved while one of its changes is under way takes
// them to be that change's, whose note follows, and does not list the folder again. File systems
// stamp changes with a coarse clock: a change made in the same tick as the one before it leaves the
// times as they were. Names listed from a folder that changed moments before the listing are
// therefore used once and listed again at the next lookup, until a change of this process's own
// confirms them. Folders are known by device and inode, so paths through links share one entry.
namespace vexmor::platform {
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// How long after a check of a folder this process's own changes to it are applied to the kept
// names; past that, the next lookup lists the folder again.
constexpr Clock::duration kTrustedWindow = std::chrono::seconds(1);

// A folder whose last change is younger than this when it is listed may change again without
// its times showing it (timestamps are taken from a clock that advances in ticks).
constexpr std::chrono::nanoseconds kSameTick = std::chrono::seconds(1);

struct FolderKey {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderKey&) const = default;
};

struct FolderKeyHash {
    std::size_t operator()(const FolderKey& key) const {
        return std::hash<ino_t>()(key.inode) * 31 + std::hash<dev_t>()(key.device);
    }
};

struct ChangeTimes {
    timespec modified;
    timespec statusChanged;
};

bool sameTimes(const ChangeTimes& a, const ChangeTimes& b) {
    return a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec &&
           a.statusChanged.tv_sec == b.statusChanged.tv_sec &&
           a.statusChanged.tv_nsec == b.statusChanged.tv_nsec;
}

// True when the folder changed so recently that a further change could leave its times as
// they are.
bool changedRecently(const ChangeTimes& times) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const auto nanoseconds = [](const timespec& time) {
        return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
    };
    const auto last = std::max(nanoseconds(times.modified), nanoseconds(times.statusChanged));
    return nanoseconds(now) - last < kSameTick;
}

struct FolderStatus {
    FolderKey key;
    ChangeTimes times;
};

std::optional<FolderStatus> folderStatus(const fs::path& folder) {
    struct stat status {};
    if (stat(folder.empty() ? "." : folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return std::nullopt;
    }
    return FolderStatus{{status.st_dev, status.st_ino}, {status.st_mtim, status.st_ctim}};
}

struct FolderCloser {
    void operator()(DIR* folder) const { closedir(folder); }
};

struct KeptFolder {
    fs::path listedAs;  // absolute, for dropping the folders below a removed one
    ChangeTimes times{};
    Clock::time_point checkedAt;
    Clock::time_point changedByUsAt;  // this process's latest note of a change to it
    bool current = false;             // false: the names may be stale; list again before use
    bool provisional = false;         // listed right after a change: list again at the next lookup
    // Each lower-cased name with its spellings, sorted in byte order.
    std::unordered_map<std::string, std::vector<std::string>> names;

    void add(const std::string& name) {
        std::vector<std::string>& spellings = names[toLowerAscii(name)];
        const auto at = std::lower_bound(spellings.begin(), spellings.end(), name);
        if (at == spellings.end() || *at != name) {
            spellings.insert(at, name);
        }
    }

    void remove(const std::string& name) {
        const auto found = names.find(toLowerAscii(name));
        if (found == names.end()) {
            return;
        }
        std::vector<std::string>& spellings = found->second;
        spellings.erase(std::remove(spellings.begin(), spellings.end(), name), spellings.end());
        if (spellings.empty()) {
            names.erase(found);
        }
    }

    // After this process changed the folder: record its new times if the names were checked
    // moments ago, else have the next lookup list it again.
    void afterOwnChange(const ChangeTimes& now) {
        changedByUsAt = Clock::now();
        if (sameTimes(now, times)) {
            return;  // the entry was there already (a file opened again)
        }
        if (current && Clock::now() - checkedAt <= kTrustedWindow) {
            times = now;
            provisional = false;
        } else {
            current = false;
        }
    }
};

fs::path absoluteForm(const fs::path& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path.empty() ? fs::path(".") : path, error);
    return (error ? path : absolute).lexically_normal();
}

// Lists `folder` into `kept`; false when it cannot be listed.
bool listFolder(const fs::path& folder, const ChangeTimes& times, KeptFolder& kept) {
    const std::unique_ptr<DIR, FolderCloser> listing(
        opendir(folder.empty() ? "." : folder.c_str()));
    if (!listing) {
        return false;
    }
    kept.names.clear();
    while (const dirent* entry = readdir(listing.get())) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            kept.add(std::string(name));
        }
    }
    kept.listedAs = absoluteForm(folder);
    kept.times = times;  // taken before the listing: a change during it shows next time
    kept.current = true;
    kept.provisional = changedRecently(times);
    return true;
}

class FolderIndex {
public:
    // `listed` tells whether `folder` could be looked at.
    std::optional<std::string> find(const fs::path& folder, std::string_view component,
                                    bool& listed) {
        const std::lock_guard<std::mutex> lock(mutex_);
        listed = false;
        const std::optional<FolderStatus> status = folderStatus(folder);
        const KeptFolder* kept = status ? checked(folder, *status) : nullptr;
        if (kept == nullptr) {
            return std::nullopt;  // a folder that cannot be listed holds no other spelling
        }
        listed = true;
        const auto found = kept->names.find(toLowerAscii(component));
        if (found == kept->names.end()) {
            return std::nullopt;
        }
        return found->second.front();
    }

    // The name to use for `component` in a folder whose names are kept already: the name itself
    // when it is there as written or not at all, else its other spelling. Nothing when no folder
    // was looked at here by that path.
    std::optional<std::string> nameInKeptFolder(const fs::path& folder,
                                                std::string_view component) {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto path = keptPaths_.find(folder.native());
        if (path == keptPaths_.end()) {
            return std::nullopt;
        }
        // The folder is looked at by its path: one that leads elsewhere now is listed in turn.
        const std::optional<FolderStatus> status = folderStatus(folder);
        const KeptFolder* kept = status ? checked(folder, *status) : nullptr;
        if (kept == nullptr) {
            keptPaths_.erase(path);
            return std::nullopt;
        }
        const auto found = kept->names.find(toLowerAscii(component));
        if (found == kept->names.end() ||
            std::binary_search(found->second.begin(), found->second.end(), component)) {
            return std::string(component);
        }
        return found->second.front();
    }

    void created(const fs::path& path) {
        const fs::path name = path.filename();
        const std::lock_guard<std::mutex> lock(mutex_);
        const std::optional<FolderStatus> status = folderStatus(path.parent_path());
        if (name.empty() || !status) {
            return;
        }
        const auto found = folders_.find(status->key);
        if (found != folders_.end()) {
            found->second.add(name.string());
            found->second.afterOwnChange(status->times);
        }
    }

    void removed(const fs::path& path) {
        const fs::path name = path.filename();
        const fs::path gone = absoluteForm(path);
        const std::lock_guard<std::mutex> lock(mutex_);
        const std::optional<FolderStatus> status = folderStatus(path.parent_path());
        // A folder made again at the same path may get the same inode back.
        std::erase_if(folders_, [&gone](const auto& folder) {
            const fs::path& listed = folder.second.listedAs;
            const auto [end, unused] =
                std::mismatch(gone.begin(), gone.end(), listed.begin(), listed.end());
            return end == gone.end();
        });
        if (name.empty() || !status) {
            return;
        }
        const auto found = folders_.find(status->key);
        if (found != folders_.end()) {
            found->second.remove(name.string());
            found->second.afterOwnChange(status->times);
        }
    }

    // A file renamed within one folder (a whole-file write put in place) changes that folder's
    // names only: one look at the folder, and no folders below the old name to drop.
    void renamed(const fs::path& from, const fs::path& to) {
        const std::lock_guard<std::mutex> lock(mutex_);
        const std::optional<FolderStatus> status = folderStatus(to.parent_path());
        if (!status) {
            return;
        }
        const auto found = folders_.find(status->key);
        if (found != folders_.end()) {
            found->second.remove(from.filename().string());
            found->second.add(to.filename().string());
            found->second.afterOwnChange(status->times);
        }
    }

    void changeBegins() { ++changesUnderWay_; }
    void changeEnds() { --changesUnderWay_; }

private:
    // The kept names of the folder `status` describes, listed again when they may be stale;
    // nullptr when it cannot be listed. The mutex is held.
    const KeptFolder* checked(const fs::path& folder, const FolderStatus& status) {
        KeptFolder& kept = folders_[status.key];
        // In a folder this process is busy changing, times moved while one of its changes is
        // under way are taken to be that change's, whose note is on its way.
        const bool ownChangeUnderWay =
            changesUnderWay_ > 0 && Clock::now() - kept.changedByUsAt <= kTrustedWindow;
        const bool movedByOthers = !sameTimes(kept.times, status.times) && !ownChangeUnderWay;
        if (!kept.current || kept.provisional || movedByOthers) {
            if (!listFolder(folder, status.times, kept)) {
                folders_.erase(status.key);
                return nullptr;
            }
        }
        kept.checkedAt = Clock::now();
        keptPaths_.insert(folder.native());
        return &kept;
    }

    std::mutex mutex_;
    std::atomic<int> changesUnderWay_ = 0;  // FolderChange scopes open on any thread
    std::unordered_map<FolderKey, KeptFolder, FolderKeyHash> folders_;
    // The path texts whose folders were looked at here: a folder already kept answers for a name
    // in it without a look at the name.
    std::unordered_set<std::string> keptPaths_;
};

FolderIndex& folderIndex() {
    static FolderIndex index;
    return index;
}

// "dir/name/" names the entry "name": the empty name a trailing separator leaves is dropped.
fs::path withoutTrailingSeparator(const fs::path& path) {
    return path.has_filename() || !path.has_parent_path() ? path : path.parent_path();
}

}  // namespace

std::optional<std::string> findIgnoringCase(const fs::path& folder, std::string_view component) {
    bool listed = false;
    return folderIndex().find(folder, component, listed);
}

std::optional<std::string> nameInFolder(const fs::path& folder, std::string_view component) {
    bool listed = false;
    std::optional<std::string> found = folderIndex().find(folder, component, listed);
    if (!listed) {
        return std::nullopt;
    }
    return found ? std::move(found) : std::string(component);
}

std::optional<std::string> nameInKeptFolder(const fs::path& folder, std::string_view component) {
    return folderIndex().nameInKeptFolder(folder, component);
}

void noteEntryCreated(const fs::path& path) {
    folderIndex().created(withoutTrailingSeparator(path));
}

void noteEntryRemoved(const fs::path& path) {
    folderIndex().removed(withoutTrailingSeparator(path));
}

FolderChange::FolderChange() {
    folderIndex().changeBegins();
}

FolderChange::~FolderChange() {
    folderIndex().changeEnds();
}

void noteFileRenamed(const fs::path& from, const fs::path& to) {
    if (from.parent_path() == to.parent_path() && from.has_filename() && to.has_filename()) {
        folderIndex().renamed(from, to);
    } else {
        noteEntryRemoved(from);
        noteEntryCreated(to);
    }
}

}  // namespace vexmor::platform
