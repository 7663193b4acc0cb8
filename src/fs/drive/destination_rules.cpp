#include "fs/drive/destination_rules.h"

#include "fs/drive/mount_table.h"
#include "fs/entries/entry_support.h"
#include "fs/unique_fd.h"

#include <QString>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int64_t fatLargestFile = 4LL * 1024 * 1024 * 1024 - 1;
constexpr long msdosMagic = 0x4d44;

bool validUtf8(const std::string& name)
{
    const QByteArray bytes = QByteArray::fromStdString(name);
    const QString text = QString::fromUtf8(bytes);
    return text.toUtf8() == bytes;
}

bool isAscii(const std::string& name)
{
    for (unsigned char c : name) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

// The scratch folder of one probe: made new, emptied and removed at the end.
class Scratch {
public:
    Scratch(const SystemIo& io, int parent) : io_(io), parent_(parent)
    {
        for (int attempt = 0; attempt < 100 && !fd_.valid(); ++attempt) {
            name_ = ".loftwell-probe-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
            if (io_.makeDirectoryAt(parent_, name_.c_str(), 0700) != 0) {
                if (errno == EEXIST)
                    continue;
                return;
            }
            fd_.reset(io_.openAt(parent_, name_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!fd_.valid())
                io_.unlinkAt(parent_, name_.c_str(), AT_REMOVEDIR);
        }
    }

    ~Scratch()
    {
        if (!fd_.valid())
            return;
        // Only what this probe made is in here (the folder was new).
        io_.seek(fd_.get(), 0, SEEK_SET);
        std::error_code error;
        for (const DirectoryEntry& entry : allEntries(io_, fd_.get(), error))
            io_.unlinkAt(fd_.get(), entry.name.c_str(), 0);
        fd_.reset();
        io_.unlinkAt(parent_, name_.c_str(), AT_REMOVEDIR);
    }

    bool valid() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }

    bool create(const std::string& name)
    {
        UniqueFd file(io_.openAt(fd_.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        return file.valid();
    }

    bool listed(const std::string& name)
    {
        io_.seek(fd_.get(), 0, SEEK_SET); // list from the start every time
        std::error_code error;
        for (const DirectoryEntry& entry : allEntries(io_, fd_.get(), error)) {
            if (entry.name == name)
                return true;
        }
        return false;
    }

private:
    const SystemIo& io_;
    int parent_;
    std::string name_;
    UniqueFd fd_;
};

// FAT, however it is mounted: the kernel's type, FUSE's subtype, or for a
// FUSE block driver the boot sector of its device, where it can be read.
bool isFat(const SystemIo& io, int folder)
{
    struct statfs info;
    if (io.statFileSystem(folder, &info) == 0 && long(info.f_type) == msdosMagic)
        return true;
    struct stat st;
    if (io.stat(folder, &st) != 0)
        return false;
    // The kernel's own table, not the drive: read directly.
    const std::optional<MountEntry> mount = mountOfDevice(st.st_dev);
    if (!mount)
        return false;
    if (mount->type == "vfat" || mount->type == "msdos" || mount->type == "fuse.fusefat" || mount->type == "fuse.vfat")
        return true;
    if (mount->type != "fuseblk" || mount->source.empty() || mount->source[0] != '/')
        return false;
    UniqueFd disk(io.openAt(AT_FDCWD, mount->source.c_str(), O_RDONLY | O_CLOEXEC));
    char sector[90];
    if (disk.valid() && io.pread(disk.get(), sector, sizeof sector, 0) == ssize_t(sizeof sector))
        return std::memcmp(sector + 82, "FAT32   ", 8) == 0 || std::memcmp(sector + 54, "FAT16   ", 8) == 0 ||
               std::memcmp(sector + 54, "FAT12   ", 8) == 0;
    return false;
}

// A folder with a file in it, renamed: its file must still be in it. The
// probe's own entries are removed again.
bool folderRenameKeepsContents(const SystemIo& io, int scratch)
{
    if (io.makeDirectoryAt(scratch, "d", 0700) != 0)
        return true; // no folders to rename, no answer
    bool kept = false;
    {
        UniqueFd file(io.openAt(scratch, "d/f", O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        kept = !file.valid();
        // Listed, not looked up: the kernel's cache of names would answer that.
        if (file.valid() && io.renameAt(scratch, "d", scratch, "e", 0) == 0) {
            UniqueFd folder(io.openAt(scratch, "e", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            std::error_code error;
            for (const DirectoryEntry& entry :
                 folder.valid() ? allEntries(io, folder.get(), error) : std::vector<DirectoryEntry>{})
                kept = kept || entry.name == "f";
        }
    }
    for (const char* folder : {"d", "e"}) {
        io.unlinkAt(scratch, (std::string(folder) + "/f").c_str(), 0);
        io.unlinkAt(scratch, folder, AT_REMOVEDIR);
    }
    return kept;
}

// A file's modification time set to an odd second and 123456789 ns, read
// back: what the drive kept tells its granularity.
std::optional<std::int64_t> timeTolerance(const SystemIo& io, int scratch)
{
    constexpr timespec set{1'700'000'001, 123'456'789};
    const timespec times[2] = {set, set};
    struct stat st;
    if (io.setTimesAt(scratch, "time", times, AT_SYMLINK_NOFOLLOW) != 0 ||
        io.statAt(scratch, "time", &st, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    const std::uint64_t off = nanosecondsApart(st.st_mtim, set);
    if (off == 0)
        return 0;
    for (const std::int64_t step : {100LL, 1'000LL, 10'000'000LL})
        if (off < std::uint64_t(step))
            return step;
    return coarsestTimeTolerance;
}

} // namespace

DestinationRules probeDestinationRules(const SystemIo& io, int folder)
{
    DestinationRules rules;
    struct statvfs limits;
    if (io.statVolume(folder, &limits) == 0 && limits.f_namemax > 0)
        rules.longestName = int(limits.f_namemax);
    if (isFat(io, folder))
        rules.largestFile = fatLargestFile;

    Scratch scratch(io, folder);
    if (!scratch.valid())
        return rules;
    rules.windowsCharacters = !scratch.create("a:b");
    // Refused outright, or made under another name (dots stripped). Where
    // Windows' characters are refused, so are these: such a drive is read by
    // systems that cannot open them, whatever this driver accepts.
    rules.trailingDotOrSpace = rules.windowsCharacters || !scratch.create("t.") || !scratch.listed("t.") ||
                               !scratch.create("s ") || !scratch.listed("s ");
    rules.asciiNamesOnly = !scratch.create("\xC3\xA9\xE5\xAD\x97"); // "é字"
    rules.utf8NamesOnly = !scratch.create("n\xFF");
    struct stat st;
    rules.caseInsensitive = scratch.create("Cc") && io.statAt(scratch.fd(), "cC", &st, AT_SYMLINK_NOFOLLOW) == 0;
    rules.symbolicLinks = io.symlinkAt("Cc", scratch.fd(), "link") == 0;
    rules.folderRenameKeepsContents = folderRenameKeepsContents(io, scratch.fd());
    // 100 Chinese characters: 300 bytes, but 100 UTF-16 units.
    std::string wide;
    for (int i = 0; i < 100; ++i)
        wide += "\xE5\xAD\x97";
    if (!rules.asciiNamesOnly && scratch.create(wide)) {
        rules.nameLimitInUtf16 = true;
        rules.longestName = 255;
    } else if (rules.windowsCharacters) {
        rules.nameLimitInUtf16 = true; // FAT without Unicode: ASCII, where units are bytes
        rules.longestName = 255;
    }
    return rules;
}

std::optional<std::int64_t> probeTimeTolerance(const SystemIo& io, int folder)
{
    Scratch scratch(io, folder);
    if (!scratch.valid() || !scratch.create("time"))
        return std::nullopt;
    return timeTolerance(io, scratch.fd());
}

std::optional<FsErrc> nameProblem(const std::string& name, const DestinationRules& rules)
{
    if (rules.windowsCharacters) {
        for (unsigned char c : name) {
            if (c < 0x20 || c == 0x7F || std::strchr("\"*:<>?\\|", c))
                return FsErrc::nameNotAllowed;
        }
    }
    if (rules.trailingDotOrSpace && !name.empty() && (name.back() == '.' || name.back() == ' '))
        return FsErrc::nameNotAllowed;
    if (rules.asciiNamesOnly && !isAscii(name))
        return FsErrc::nameNotAllowed;
    if ((rules.utf8NamesOnly || rules.nameLimitInUtf16) && !validUtf8(name))
        return FsErrc::nameNotAllowed;
    const qsizetype length =
        rules.nameLimitInUtf16 ? QString::fromUtf8(QByteArray::fromStdString(name)).size() : qsizetype(name.size());
    if (length > rules.longestName)
        return FsErrc::nameTooLong;
    return std::nullopt;
}

std::string caseFoldedName(const std::string& name)
{
    return QString::fromUtf8(QByteArray::fromStdString(name)).toCaseFolded().toStdString();
}
