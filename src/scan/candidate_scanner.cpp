#include "scan/candidate_scanner.h"

#include "model/min_candidate_bytes.h"
#include "model/path_ops.h"
#include "model/path_text.h"
#include "model/text_table.h"
#include "scan/assess_candidate.h"
#include "scan/candidate_order.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t foldersPerWalk = 16384;

bool isSkippedName(const std::string& name)
{
    return isHiddenName(name) || name == "Library" || name == "System" || name == "Volumes";
}

// Anything but a folder: 0 for a symbolic link, else its own space.
ItemMeasure measureNonFolder(const ItemValues& item, ScanTally* tally)
{
    if (item.isSymbolicLink())
        return {};
    ItemMeasure measure{item.allocatedBytes.value_or(item.length.value_or(0)), {}};
    measure.fingerprint.add(item.length.value_or(0), item.modifiedNs, item.changedNs);
    if (tally && item.isRegularFile())
        tally->add(1, measure.sizeBytes);
    return measure;
}

// The state of one scan; nothing survives from one scan to the next.
class CandidateScan {
public:
    CandidateScan(const FileSystem& fileSystem, std::stop_token stop, const MeasuringObserver& measuring,
                  ScanTally* tally)
        : fileSystem_(fileSystem),
          stop_(std::move(stop)),
          measuring_(measuring),
          tally_(tally),
          home_(standardizedPath(fileSystem.homeDirectory()).native())
    {
        for (const UserFolder folder : allUserFolders) {
            if (const auto path = fileSystem.userFolder(folder))
                userFolders_.insert(standardizedPath(*path).native());
        }
    }

    // A root scanned once: chosen twice, or reached as a user folder and chosen too.
    bool firstVisit(const fs::path& root) { return scannedRoots_.insert(standardizedPath(root).native()).second; }

    // The user folders found among the children of the roots so far, to be
    // looked into as roots of their own; each handed out once.
    std::vector<fs::path> takeUserFolders() { return std::exchange(foundUserFolders_, {}); }

    bool stopped() const { return stop_.stop_requested(); }

    void addCandidate(const fs::path& item, const QString& rootName, std::int64_t minimumBytes)
    {
        if (shouldSkip(item, fileSystem_))
            return;
        std::string key = standardizedPath(item).native();
        if (seenPaths_.contains(key))
            return;
        if (measuring_)
            measuring_(item);
        const ItemMeasure measure = measureItem(item, fileSystem_, stop_, tally_);
        if (stopped())
            return; // a partial size is no size
        add(item, std::move(key), rootName, measure, minimumBytes);
    }

    // The root's folders are measured in one walk: on a cold disk the end of
    // one folder's walk would otherwise leave most requests idle.
    void scanChildren(const QString& rootName, const fs::path& root, std::int64_t minimumBytes)
    {
        const auto listing = fileSystem_.listDirectory(root);
        if (!listing)
            return; // a root that cannot be listed adds nothing
        struct Child {
            fs::path item;
            std::string key;
            std::optional<ItemMeasure> measure; // empty for a folder, measured below
        };
        std::vector<Child> children;
        std::vector<fs::path> folders;
        for (const DirectoryEntry& entry : listing.value()) {
            if (stopped())
                return;
            if (isSystemFolder(root, entry.name))
                continue;
            if (isSkippedName(entry.name))
                continue;
            // Snap keeps each application's own data in the home's "snap".
            if (entry.name == "snap" && standardizedPath(root).native() == home_)
                continue;
            fs::path item = root / entry.name;
            std::string key = standardizedPath(item).native();
            if (seenPaths_.contains(key))
                continue;
            // A folder as the listing says needs nothing more before its walk:
            // on a cold disk, reading each child's own values first costs a
            // wait per child, one after another. Anything else is read once:
            // whether it is a link to skip, and a file's own measure.
            const bool listedFolder = entry.type == EntryType::directory;
            std::optional<ItemValues> values; // empty for a listed folder, or when unreadable
            if (!listedFolder) {
                if (auto read = fileSystem_.itemValues(item))
                    values = std::move(read.value());
            }
            if (values && values->isSymbolicLink())
                continue;
            // The desktop's own folders are never moved whole (it would make
            // them again, empty): their items are the candidates.
            if (userFolders_.contains(key) && (listedFolder || (values && values->isDirectory()))) {
                foundUserFolders_.push_back(std::move(item));
                continue;
            }
            if (values && !values->isDirectory()) {
                if (measuring_)
                    measuring_(item);
                children.push_back({item, std::move(key), measureNonFolder(*values, tally_)});
            } else {
                folders.push_back(item);
                children.push_back({std::move(item), std::move(key), std::nullopt});
            }
        }
        // In one walk as a rule, its workers started once.
        std::vector<TreeMeasure> trees;
        for (std::size_t first = 0; first < folders.size(); first += foldersPerWalk) {
            const std::vector<fs::path> part(folders.begin() + std::ptrdiff_t(first),
                                             folders.begin() +
                                                 std::ptrdiff_t(std::min(folders.size(), first + foldersPerWalk)));
            std::vector<TreeMeasure> measured = fileSystem_.treeMeasures(part, stop_, tally_, [&](std::size_t index) {
                if (measuring_)
                    measuring_(part[index]);
            });
            trees.insert(trees.end(), measured.begin(), measured.end());
            if (stopped())
                return; // a partial size is no size
        }
        if (stopped())
            return;
        std::size_t nextTree = 0;
        for (Child& child : children) {
            ItemMeasure measure;
            if (child.measure) {
                measure = *child.measure;
            } else {
                const TreeMeasure& tree = trees[nextTree++];
                measure = {tree.allocatedBytes, tree.fingerprint};
            }
            add(child.item, std::move(child.key), rootName, measure, minimumBytes);
        }
    }

    std::vector<Candidate> takeResult() { return std::move(result_); }

private:
    void add(const fs::path& item, std::string key, const QString& rootName, const ItemMeasure& measure,
             std::int64_t minimumBytes)
    {
        if (measure.sizeBytes < minimumBytes)
            return; // too small: not remembered, another root may still reach it
        const MoveAssessment assessment = assessCandidate(item, fileSystem_);
        seenPaths_.insert(std::move(key));
        result_.emplace_back(item, rootName, assessment.kind, assessment.risk, assessment.reason, measure.sizeBytes,
                             measure.fingerprint);
    }

    const FileSystem& fileSystem_;
    std::stop_token stop_;
    const MeasuringObserver& measuring_;
    ScanTally* const tally_;
    std::vector<Candidate> result_;
    std::unordered_set<std::string> seenPaths_;
    const std::string home_;
    std::unordered_set<std::string> userFolders_;
    std::vector<fs::path> foundUserFolders_;
    std::unordered_set<std::string> scannedRoots_;
};

} // namespace

std::vector<Candidate> scanCandidates(const std::vector<fs::path>& roots, const FileSystem& fileSystem,
                                      std::stop_token stop, const MeasuringObserver& measuring, ScanTally* tally)
{
    CandidateScan scan(fileSystem, std::move(stop), measuring, tally);
    for (const fs::path& chosen : roots) {
        // A user folder inside a root is looked into right after it, as if chosen too.
        std::vector<fs::path> pending{chosen};
        while (!pending.empty() && !scan.stopped()) {
            const fs::path root = pending.front();
            pending.erase(pending.begin());
            if (!scan.firstVisit(root))
                continue;
            const QString rootName = displayRootName(root, fileSystem);
            if (lowercasedExtension(root) == "app")
                scan.addCandidate(root, rootName, 0);
            else
                scan.scanChildren(rootName, root, minCandidateBytes);
            const std::vector<fs::path> found = scan.takeUserFolders();
            pending.insert(pending.end(), found.begin(), found.end());
        }
    }
    if (measuring)
        measuring({});
    std::vector<Candidate> result = scan.takeResult();
    sortCandidates(result);
    return result;
}

ItemMeasure measureItem(const fs::path& url, const FileSystem& fileSystem, std::stop_token stop, ScanTally* tally)
{
    const auto values = fileSystem.itemValues(url);
    if (values && !values.value().isDirectory())
        return measureNonFolder(values.value(), tally);
    const TreeMeasure tree = fileSystem.treeMeasure(url, std::move(stop), tally);
    return {tree.allocatedBytes, tree.fingerprint};
}

std::int64_t itemSize(const fs::path& url, const FileSystem& fileSystem, std::stop_token stop)
{
    return measureItem(url, fileSystem, std::move(stop)).sizeBytes;
}

bool isSymbolicLink(const fs::path& url, const FileSystem& fileSystem)
{
    const auto values = fileSystem.itemValues(url);
    return values && values.value().isSymbolicLink();
}

bool shouldSkip(const fs::path& url, const FileSystem& fileSystem)
{
    return isSkippedName(lastPathComponent(url)) || isSymbolicLink(url, fileSystem);
}

bool isSystemFolder(const fs::path& root, const std::string& name)
{
    static const std::unordered_set<std::string> systemFolders{
        "bin", "boot", "dev",  "etc", "home", "lib",  "lib32", "lib64", "libx32", "lost+found", "media", "mnt",
        "opt", "proc", "root", "run", "sbin", "snap", "srv",   "sys",   "tmp",    "usr",        "var"};
    return standardizedPath(root).native() == "/" && systemFolders.contains(name);
}

QString displayRootName(const fs::path& root, const FileSystem& fileSystem)
{
    struct KnownLocation {
        fs::path path;
        const char* key;
    };
    const fs::path home = standardizedPath(fileSystem.homeDirectory());
    // The user's folders are where the desktop keeps them, under the names
    // it gives them (a Chinese desktop's 视频 is the videos folder).
    const auto user = [&](UserFolder folder) { return fileSystem.userFolder(folder).value_or(fs::path()); };
    const std::array<KnownLocation, 12> known{{
        {home, "root.home"},
        {user(UserFolder::desktop), "root.desktop"},
        {user(UserFolder::downloads), "root.downloads"},
        {user(UserFolder::documents), "root.documents"},
        {user(UserFolder::pictures), "root.pictures"},
        {user(UserFolder::videos), "root.movies"},
        {user(UserFolder::music), "root.music"},
        {user(UserFolder::publicShare), "root.public"},
        {user(UserFolder::templates), "root.templates"},
        {"/Users/Shared", "root.shared"},
        {"/Applications", "root.applications"},
        {home / "Applications", "root.userApplications"},
    }};
    const fs::path target = standardizedPath(root);
    for (const KnownLocation& location : known) {
        if (!location.path.empty() && standardizedPath(location.path).native() == target.native())
            return I18n::text(location.key);
    }
    const std::string name = lastPathComponent(root);
    return displayText(name.empty() ? std::string_view(root.native()) : std::string_view(name));
}
