#include "uring_tree_size.h"

#include <cerrno>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <liburing.h>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

struct Folder {
    explicit Folder(int descriptor) : fd(descriptor) {}
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    ~Folder() { ::close(fd); }
    int fd;
};

struct Entry {
    std::shared_ptr<Folder> folder;
    std::string path;
    std::size_t nameOffset = 0; // the name is the path's tail
    struct statx result {};
};

struct DirectoryRecord {
    std::uint64_t inode;
    std::int64_t offset;
    unsigned short length;
    unsigned char type;
    char name[1];
};

// "." and "..": every other entry counts, hidden ones included, as Loftwell's walk counts them.
bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Lists a folder: subfolders go to `folders`, every other entry that may be
// a regular file to `entries`.
void readFolder(const std::string& path, std::deque<std::string>& folders, std::deque<std::unique_ptr<Entry>>& entries)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    auto folder = std::make_shared<Folder>(fd);
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const long n = ::syscall(SYS_getdents64, fd, buffer.data(), buffer.size());
        if (n <= 0)
            break;
        for (long at = 0; at < n;) {
            const auto* record = reinterpret_cast<const DirectoryRecord*>(buffer.data() + at);
            at += record->length;
            if (isDotOrDotDot(record->name))
                continue;
            std::string child = path + "/" + record->name;
            if (record->type == DT_DIR) {
                folders.push_back(std::move(child));
            } else if (record->type == DT_REG || record->type == DT_UNKNOWN) {
                auto entry = std::make_unique<Entry>();
                entry->folder = folder;
                entry->nameOffset = path.size() + 1;
                entry->path = std::move(child);
                entries.push_back(std::move(entry));
            }
        }
    }
}

} // namespace

std::int64_t uringTreeSize(const std::string& root, unsigned depth)
{
    io_uring ring;
    if (io_uring_queue_init(depth, &ring, 0) != 0)
        return -1;
    std::deque<std::string> folders{root};
    std::deque<std::unique_ptr<Entry>> waiting;
    unsigned inFlight = 0;
    std::int64_t bytes = 0;
    bool unsupported = false;
    while (!folders.empty() || !waiting.empty() || inFlight > 0) {
        // Keep the queue full, reading folders only when it would run dry.
        while (waiting.size() < depth && !folders.empty()) {
            const std::string path = std::move(folders.front());
            folders.pop_front();
            readFolder(path, folders, waiting);
        }
        while (inFlight < depth && !waiting.empty()) {
            io_uring_sqe* sqe = io_uring_get_sqe(&ring);
            if (!sqe)
                break;
            Entry* entry = waiting.front().release();
            waiting.pop_front();
            io_uring_prep_statx(sqe, entry->folder->fd, entry->path.c_str() + entry->nameOffset, AT_SYMLINK_NOFOLLOW,
                                STATX_TYPE | STATX_BLOCKS, &entry->result);
            io_uring_sqe_set_data(sqe, entry);
            ++inFlight;
        }
        if (inFlight == 0)
            continue;
        int submitted;
        while ((submitted = io_uring_submit_and_wait(&ring, 1)) == -EINTR) {
        }
        if (submitted < 0) {
            io_uring_queue_exit(&ring);
            return -1;
        }
        io_uring_cqe* cqe = nullptr;
        unsigned head = 0;
        unsigned seen = 0;
        io_uring_for_each_cqe(&ring, head, cqe)
        {
            std::unique_ptr<Entry> entry(static_cast<Entry*>(io_uring_cqe_get_data(cqe)));
            if (cqe->res == -EINVAL)
                unsupported = true; // a kernel without the stat operation
            if (cqe->res == 0) {
                if (S_ISREG(entry->result.stx_mode))
                    bytes += std::int64_t(entry->result.stx_blocks) * 512;
                else if (S_ISDIR(entry->result.stx_mode))
                    folders.push_back(entry->path);
            }
            ++seen;
        }
        io_uring_cq_advance(&ring, seen);
        inFlight -= seen;
    }
    io_uring_queue_exit(&ring);
    return unsupported ? -1 : bytes;
}

bool uringStatAvailable()
{
    io_uring ring;
    if (io_uring_queue_init(1, &ring, 0) != 0)
        return false;
    struct statx result {};
    io_uring_sqe* sqe = io_uring_get_sqe(&ring);
    io_uring_prep_statx(sqe, AT_FDCWD, "/", 0, STATX_TYPE, &result);
    io_uring_cqe* cqe = nullptr;
    const bool available =
        io_uring_submit_and_wait(&ring, 1) == 1 && io_uring_peek_cqe(&ring, &cqe) == 0 && cqe->res == 0;
    io_uring_queue_exit(&ring);
    return available;
}
