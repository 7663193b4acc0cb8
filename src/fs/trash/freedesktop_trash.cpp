#include "fs/trash/freedesktop_trash.h"

#include "fs/check/source_check.h"
#include "fs/entries/make_directories.h"
#include "fs/entries/path_anchor.h"
#include "fs/entries/rename_no_replace.h"
#include "fs/unique_fd.h"
#include "model/path_ops.h"

#include <QDateTime>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Longest names that leave room for " 9999" and ".trashinfo" within NAME_MAX.
constexpr std::size_t longestTrashName = 255 - 5 - 10;

// The device a path is on, or that of its nearest existing ancestor.
dev_t deviceOf(const SystemIo& io, fs::path path)
{
    auto st = statNoFollow(io, path);
    while (!st) {
        if (!path.has_relative_path())
            return 0;
        path = path.parent_path();
        st = statNoFollow(io, path);
    }
    return st.value().st_dev;
}

// The mount point holding `item`: its highest ancestor on the same device.
fs::path topDirectoryOf(const SystemIo& io, const fs::path& item, dev_t device)
{
    fs::path top = item.parent_path();
    while (top.has_relative_path()) {
        const fs::path parent = top.parent_path();
        const auto st = statNoFollow(io, parent);
        if (!st || st.value().st_dev != device)
            break;
        top = parent;
    }
    return top;
}

// A folder the user owns, made 0700 when missing; never a link.
FsResult<void> ensurePrivateFolder(const SystemIo& io, const fs::path& folder, uid_t uid)
{
    if (io.makeDirectoryAt(AT_FDCWD, folder.c_str(), 0700) != 0 && errno != EEXIST)
        return FsError{errno, folder};
    const auto st = statNoFollow(io, folder);
    if (!st)
        return st.error();
    if (!S_ISDIR(st.value().st_mode) || st.value().st_uid != uid)
        return FsError{FsErrc::trashUnavailable, folder};
    return {};
}

FsResult<void> ensureTrashLayout(const SystemIo& io, const fs::path& trash, uid_t uid)
{
    for (const fs::path& folder : {trash, trash / "files", trash / "info"}) {
        if (auto made = ensurePrivateFolder(io, folder, uid); !made)
            return made;
    }
    return {};
}

// Why the Trash could not take an item, in words the user can act on.
FsError trashFailure(std::error_code code, const fs::path& item)
{
    if (code.category() == std::system_category()) {
        switch (code.value()) {
        case ENOSPC:
        case EDQUOT: return FsError{FsErrc::trashFull, item};
        case EROFS: return FsError{FsErrc::trashReadOnly, item};
        case EACCES:
        case EPERM: return FsError{FsErrc::trashDenied, item};
        default: break;
        }
    }
    return FsError{FsErrc::trashUnavailable, item};
}

struct TrashChoice {
    fs::path trash;
    fs::path base; // Path= is relative to this; empty for absolute paths
};

FsResult<TrashChoice> chooseTrash(const SystemIo& io, const fs::path& item, dev_t device,
                                  const TrashEnvironment& environment)
{
    const fs::path dataHome = environment.dataHome && environment.dataHome->is_absolute()
                                  ? *environment.dataHome
                                  : environment.home / ".local" / "share";
    const fs::path homeTrash = dataHome / "Trash";
    if (deviceOf(io, homeTrash) == device) {
        (void)makeDirectories(io, dataHome);
        if (auto made = ensureTrashLayout(io, homeTrash, environment.uid); !made)
            return made.error();
        return TrashChoice{homeTrash, {}};
    }

    const fs::path top = topDirectoryOf(io, item, device);
    const std::string uid = std::to_string(environment.uid);
    const auto shared = statNoFollow(io, top / ".Trash");
    if (shared && S_ISDIR(shared.value().st_mode) && (shared.value().st_mode & S_ISVTX)) {
        if (ensureTrashLayout(io, top / ".Trash" / uid, environment.uid))
            return TrashChoice{top / ".Trash" / uid, top};
    }
    if (auto made = ensureTrashLayout(io, top / (".Trash-" + uid), environment.uid); !made)
        return made.error();
    return TrashChoice{top / (".Trash-" + uid), top};
}

std::string trashInfo(const fs::path& item, const fs::path& base)
{
    std::string path = item.native();
    if (!base.empty()) {
        path = item.lexically_relative(base).native();
    }
    const QByteArray date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
    return "[Trash Info]\nPath=" + percentEncodePath(path) + "\nDeletionDate=" + date.toStdString() + "\n";
}

// All of `text` written and put on the drive, a short write continued, the
// file closed (a failing close can be the first report of a full drive).
// A write that takes nothing fails.
FsResult<void> writeInfo(const SystemIo& io, UniqueFd fd, const std::string& text, const fs::path& path)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = io.write(fd.get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return FsError{n < 0 ? errno : EIO, path};
        done += std::size_t(n);
    }
    if (io.fsync(fd.get()) != 0 || io.close(fd.release()) != 0)
        return FsError{errno, path};
    return {};
}

} // namespace

std::string trashEntryName(const std::string& name)
{
    if (name.size() <= longestTrashName)
        return name;
    std::size_t cut = longestTrashName;
    // Never inside a UTF-8 sequence: back to the start of the character.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

TrashEnvironment TrashEnvironment::current(const fs::path& home)
{
    TrashEnvironment environment;
    environment.home = home;
    if (const char* dataHome = std::getenv("XDG_DATA_HOME"); dataHome && dataHome[0] != '\0')
        environment.dataHome = fs::path(dataHome);
    environment.uid = ::getuid();
    return environment;
}

std::string percentEncodePath(const std::string& bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(bytes.size());
    for (unsigned char c : bytes) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.' || c == '~' || c == '/';
        if (plain) {
            encoded += char(c);
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 15];
        }
    }
    return encoded;
}

FsResult<fs::path> moveToTrash(const SystemIo& io, const fs::path& itemPath, const TrashEnvironment& environment,
                               const CopyManifest* copied)
{
    // The parent with its links resolved: a top directory and a relative
    // Path= must be those of the real location, or the Trash entry lands
    // where no file manager looks for it.
    fs::path item = standardizedPath(fs::absolute(itemPath));
    std::error_code error;
    const fs::path parent = fs::canonical(item.parent_path(), error);
    if (!error)
        item = parent / item.filename();
    auto anchor = PathAnchor::resolve(io, item);
    if (!anchor)
        return FsError{anchor.error().code, itemPath};
    struct stat st;
    if (io.statAt(anchor.value().directory(), anchor.value().name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return FsError{errno, itemPath};
    // A mount point cannot be renamed into any Trash: refused before a
    // Trash folder is made on the parent's drive.
    const auto above = statNoFollow(io, item.parent_path());
    if (!above)
        return FsError{above.error().code, itemPath};
    if (above.value().st_dev != st.st_dev)
        return FsError{FsErrc::trashUnavailable, itemPath};
    if (copied && !copied->entries.empty() &&
        (st.st_dev != copied->entries.front().device || st.st_ino != copied->entries.front().inode))
        return FsError{FsErrc::sourceChanged, itemPath};
    const auto chosen = chooseTrash(io, item, st.st_dev, environment);
    if (!chosen)
        return trashFailure(chosen.error().code, itemPath);
    const TrashChoice* choice = &chosen.value();
    UniqueFd files(
        io.openAt(AT_FDCWD, (choice->trash / "files").c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!files.valid())
        return trashFailure(systemError(errno), itemPath);

    const std::string name = trashEntryName(lastPathComponent(item));
    const std::string info = trashInfo(item, choice->base);
    for (int attempt = 1; attempt < 10'000; ++attempt) {
        const std::string candidate = attempt == 1 ? name : name + " " + std::to_string(attempt);
        const fs::path infoPath = choice->trash / "info" / (candidate + ".trashinfo");
        const fs::path filesPath = choice->trash / "files" / candidate;
        UniqueFd fd(io.openAt(AT_FDCWD, infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd.valid()) {
            if (errno == EEXIST)
                continue;
            return trashFailure(systemError(errno), itemPath);
        }
        const auto wrote = writeInfo(io, std::move(fd), info, infoPath);
        const bool written = wrote.ok();
        if (written) {
            UniqueFd infoFolder(
                io.openAt(AT_FDCWD, (choice->trash / "info").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (infoFolder.valid())
                io.fsync(infoFolder.get()); // the entry of the .trashinfo itself
        }
        if (!written) {
            io.unlinkAt(AT_FDCWD, infoPath.c_str(), 0);
            return trashFailure(wrote.error().code, itemPath);
        }
        struct stat taken;
        if (io.statAt(files.get(), candidate.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0) {
            // An orphan in files/: leave it, take another name.
            io.unlinkAt(AT_FDCWD, infoPath.c_str(), 0);
            continue;
        }
        // The last look: only what was copied may go.
        if (copied) {
            if (auto unchanged =
                    checkSourceUnchanged(io, anchor.value().directory(), anchor.value().name(), itemPath, *copied);
                !unchanged) {
                io.unlinkAt(AT_FDCWD, infoPath.c_str(), 0);
                return unchanged.error();
            }
        }
        const int renameError =
            renameNoReplace(io, anchor.value().directory(), anchor.value().name(), files.get(), candidate.c_str());
        if (renameError == 0)
            return filesPath;
        io.unlinkAt(AT_FDCWD, infoPath.c_str(), 0);
        if (renameError == EEXIST)
            continue;
        if (renameError == EXDEV)
            return FsError{FsErrc::trashUnavailable, itemPath};
        return FsError{renameError, itemPath};
    }
    return FsError{FsErrc::trashUnavailable, itemPath};
}
