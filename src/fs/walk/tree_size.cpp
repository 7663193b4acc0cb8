#include "fs/walk/tree_size.h"

#include "fs/entries/directory_reader.h"
#include "fs/entries/entry_support.h"
#include "fs/entries/path_anchor.h"
#include "fs/unique_fd.h"

#include <algorithm>
#include <array>
#include <climits>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <variant>
#include <vector>

namespace {

// A folder open for stat calls on its entries; shared by the batches of a
// big folder and closed when the last of them is done.
struct OpenFolder {
    std::string path;
    UniqueFd fd;
    std::size_t root = 0; // which of the measured folders it lies in
};

using EntryList = std::vector<std::pair<std::uint64_t, std::string>>; // inode, name

struct FolderTask {
    std::string path;
    std::size_t root = 0;
    bool isRoot = false; // the measured folder itself
};

struct StatBatch {
    std::shared_ptr<const OpenFolder> folder;
    EntryList entries;
};

using Task = std::variant<FolderTask, StatBatch>;

// A folder this big is split into batches the helper can take while the
// folder is still being read.
constexpr std::size_t batchSize = 2048;
// Folders walked before a helper is worth starting.
constexpr int foldersBeforeHelper = 64;
// Sorting by inode makes a cold walk read inode tables in order.
constexpr std::size_t sortByInodeFrom = 512;

UniqueFd openFolder(const SystemIo& io, const std::string& path)
{
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    if (path.size() < PATH_MAX)
        return UniqueFd(io.openAt(AT_FDCWD, path.c_str(), flags));
    auto anchor = PathAnchor::resolve(io, path);
    if (!anchor)
        return UniqueFd();
    return UniqueFd(io.openAt(anchor.value().directory(), anchor.value().name(), flags));
}

std::string childPath(const std::string& parent, std::string_view name)
{
    std::string path;
    path.reserve(parent.size() + 1 + name.size());
    path += parent;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

class TreeWalk {
public:
    TreeWalk(const SystemIo& io, int workers, std::stop_token stop, ScanTally* tally, const RootStarted& started)
        : io_(io), maxWorkers_(std::max(1, workers)), stop_(std::move(stop)), tally_(tally), started_(started)
    {
    }

    std::vector<TreeMeasure> run(const std::vector<std::filesystem::path>& roots)
    {
        totals_.resize(roots.size());
        // A stack: the first folder goes on top, so they start in order.
        for (std::size_t root = roots.size(); root-- > 0;)
            tasks_.push_back(FolderTask{roots[root].native(), root, true});
        foldersSeen_ = int(roots.size());
        work();
        for (std::thread& helper : helpers_)
            helper.join();
        return totals_;
    }

private:
    void work()
    {
        // Only the measured folders this worker met: a walk of thousands
        // of them costs no more memory per worker than one of a few.
        std::unordered_map<std::size_t, TreeMeasure> sums;
        std::vector<char> buffer(64 * 1024);
        for (;;) {
            Task task;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return !tasks_.empty() || busy_ == 0; });
                if (tasks_.empty())
                    break;
                task = std::move(tasks_.back());
                tasks_.pop_back();
                ++busy_;
                // Many measured folders with nothing below them publish
                // nothing: the waiting ones are reason enough for a helper.
                startHelperIfWorthIt(false);
            }
            // Asked to stop: the remaining tasks are drained without work.
            if (!stop_.stop_requested()) {
                if (auto* folder = std::get_if<FolderTask>(&task)) {
                    walkFolder(*folder, buffer, sums[folder->root]);
                } else {
                    auto& batch = std::get<StatBatch>(task);
                    statEntries(*batch.folder, batch.entries, sums[batch.folder->root]);
                }
            }
            std::lock_guard lock(mutex_);
            if (--busy_ == 0 && tasks_.empty())
                wake_.notify_all();
        }
        std::lock_guard lock(mutex_);
        for (const auto& [root, sum] : sums) {
            totals_[root].allocatedBytes += sum.allocatedBytes;
            totals_[root].fingerprint.add(sum.fingerprint);
        }
        wake_.notify_all();
    }

    void walkFolder(const FolderTask& task, std::vector<char>& buffer, TreeMeasure& sum)
    {
        const std::string& path = task.path;
        if (started_ && task.isRoot) {
            std::lock_guard lock(startedMutex_); // one call at a time, whichever thread
            started_(task.root);
        }
        auto folder = std::make_shared<OpenFolder>();
        folder->path = path;
        folder->root = task.root;
        folder->fd = openFolder(io_, path);
        if (!folder->fd.valid())
            return; // unreadable or gone: left out

        std::vector<Task> subfolders;
        EntryList entries;
        // A failed read keeps what was read before it.
        // Hidden entries count: they are moved with their folder.
        forEachDirectoryEntry(io_, folder->fd.get(), buffer, [&](const RawDirectoryEntry& entry) {
            if (entry.type == EntryType::directory) {
                subfolders.push_back(FolderTask{childPath(path, entry.name), task.root});
            } else if (entry.type == EntryType::regular || entry.type == EntryType::unknown) {
                entries.emplace_back(entry.inode, std::string(entry.name));
                if (maxWorkers_ > 1 && entries.size() == batchSize) {
                    std::vector<Task> batch;
                    batch.push_back(StatBatch{folder, std::move(entries)});
                    entries.clear();
                    publish(std::move(batch), true);
                }
            }
            // Links and special files: neither counted nor opened.
        });
        publish(std::move(subfolders), false);
        statEntries(*folder, entries, sum);
    }

    void statEntries(const OpenFolder& folder, EntryList& entries, TreeMeasure& sum)
    {
        // In inode order a cold walk reads the inode table front to back.
        if (entries.size() >= sortByInodeFrom)
            std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<Task> found;
        std::int64_t files = 0;
        const std::int64_t bytesBefore = sum.allocatedBytes;
        for (const auto& [inode, name] : entries) {
            struct stat st;
            if (io_.statAt(folder.fd.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue; // vanished or unreadable
            if (S_ISREG(st.st_mode)) {
                ++files;
                sum.allocatedBytes += std::int64_t(st.st_blocks) * 512;
                sum.fingerprint.add(st.st_size, nanoseconds(st.st_mtim), nanoseconds(st.st_ctim));
            } else if (S_ISDIR(st.st_mode))
                found.push_back(FolderTask{childPath(folder.path, name), folder.root});
        }
        if (tally_)
            tally_->add(files, sum.allocatedBytes - bytesBefore);
        publish(std::move(found), false);
    }

    // Makes tasks available to the other workers; helpers are started once
    // the tree proves big enough to pay for a thread, one more each time
    // there is more waiting work than workers, up to the limit.
    void publish(std::vector<Task> tasks, bool isBatch)
    {
        if (tasks.empty())
            return;
        {
            std::lock_guard lock(mutex_);
            if (!isBatch)
                foldersSeen_ += int(tasks.size());
            for (auto& task : tasks)
                tasks_.push_back(std::move(task));
            startHelperIfWorthIt(isBatch);
        }
        wake_.notify_one();
    }

    // Under the lock. Made under it too: run() joins exactly the threads in the list.
    void startHelperIfWorthIt(bool isBatch)
    {
        const int workers = 1 + int(helpers_.size());
        if (!noMoreThreads_ && workers < maxWorkers_ && (isBatch || foldersSeen_ >= foldersBeforeHelper) &&
            int(tasks_.size()) >= workers) {
            try {
                helpers_.emplace_back([this] { work(); });
            } catch (const std::system_error&) {
                noMoreThreads_ = true; // at the process's or user's limit: the workers there go on
            }
        }
    }

    const SystemIo& io_;
    const int maxWorkers_;
    const std::stop_token stop_;
    ScanTally* const tally_;
    const RootStarted& started_;
    std::mutex startedMutex_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Task> tasks_; // a stack: depth first keeps it small
    int busy_ = 0;
    int foldersSeen_ = 0;
    std::vector<std::thread> helpers_;
    bool noMoreThreads_ = false;
    std::vector<TreeMeasure> totals_;
};

} // namespace

TreeMeasure measureTree(const SystemIo& io, const std::filesystem::path& folder, int workers, std::stop_token stop,
                        ScanTally* tally)
{
    return measureTrees(io, {folder}, workers, std::move(stop), tally).front();
}

std::vector<TreeMeasure> measureTrees(const SystemIo& io, const std::vector<std::filesystem::path>& folders,
                                      int workers, std::stop_token stop, ScanTally* tally, const RootStarted& started)
{
    if (folders.empty())
        return {};
    TreeWalk walk(io, workers, std::move(stop), tally, started);
    return walk.run(folders);
}
