#include "fs/trash/trash_restore.h"

#include "fs/entries/rename_no_replace.h"
#include "fs/unique_fd.h"
#include "model/path_ops.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t longestInfo = 64 * 1024;

std::optional<std::string> readInfo(const SystemIo& io, const fs::path& path)
{
    UniqueFd fd(io.openAt(AT_FDCWD, path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid())
        return std::nullopt;
    std::string text(longestInfo, '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = io.read(fd.get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    text.resize(done);
    return text;
}

// The Path= of a .trashinfo, absolute: a Trash on another drive keeps it
// relative to the drive's top folder, which holds .Trash-UID or .Trash/UID.
std::optional<fs::path> infoPath(const std::string& info, const fs::path& trash)
{
    std::size_t at = info.find("\nPath=");
    if (at == std::string::npos)
        return std::nullopt;
    at += 6;
    const std::size_t end = info.find('\n', at);
    const fs::path path = percentDecodePath(info.substr(at, end == std::string::npos ? end : end - at));
    if (path.is_absolute())
        return path;
    const fs::path top =
        lastPathComponent(trash).starts_with(".Trash-") ? trash.parent_path() : trash.parent_path().parent_path();
    return top / path;
}

bool namesOriginal(const fs::path& recorded, const fs::path& original)
{
    if (recorded == original)
        return true;
    // The Trash keeps the parent with its links resolved.
    std::error_code error;
    const fs::path parent = fs::canonical(original.parent_path(), error);
    return !error && recorded == parent / original.filename();
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string percentDecodePath(const std::string& encoded)
{
    std::string bytes;
    bytes.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const int high = encoded[i] == '%' && i + 2 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(encoded[i + 2]) : -1;
        if (low < 0) {
            bytes += encoded[i];
            continue;
        }
        bytes += char(high * 16 + low);
        i += 2;
    }
    return bytes;
}

FsResult<void> restoreFromTrash(const SystemIo& io, const fs::path& trashed, const fs::path& original,
                                const HeldFolder& into, const std::string& name)
{
    const fs::path files = trashed.parent_path();
    if (lastPathComponent(files) != "files")
        return FsError{ENOENT, trashed};
    const fs::path trash = files.parent_path();
    const fs::path info = trash / "info" / (lastPathComponent(trashed) + ".trashinfo");
    const auto text = readInfo(io, info);
    const auto recorded = text ? infoPath(*text, trash) : std::nullopt;
    if (!recorded || !namesOriginal(*recorded, original))
        return FsError{ENOENT, trashed};
    UniqueFd from(io.openAt(AT_FDCWD, files.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!from.valid())
        return FsError{errno, trashed};
    const int renamed =
        renameNoReplace(io, from.get(), lastPathComponent(trashed).c_str(), into.descriptor(), name.c_str());
    if (renamed != 0)
        return FsError{renamed, into.path() / name};
    // Back in place; a .trashinfo left over only shows a ghost in the Trash.
    (void)io.unlinkAt(AT_FDCWD, info.c_str(), 0);
    return {};
}
