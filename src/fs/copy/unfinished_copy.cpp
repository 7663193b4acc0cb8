#include "fs/copy/unfinished_copy.h"

#include "fs/entries/entry_support.h"
#include "fs/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

int removeUnfinishedCopyAt(const SystemIo& io, int parent, const std::string& name)
{
    struct stat st;
    if (io.statAt(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? 0 : errno;
    if (!S_ISDIR(st.st_mode))
        return io.unlinkAt(parent, name.c_str(), 0) == 0 || errno == ENOENT ? 0 : errno;
    {
        UniqueFd folder(io.openAt(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.valid())
            return errno;
        // The copy's folders are writable while it is made; one that got its
        // final mode already may not be.
        io.changeMode(folder.get(), 0700);
        std::error_code listError;
        for (const DirectoryEntry& child : allEntries(io, folder.get(), listError)) {
            if (const int error = removeUnfinishedCopyAt(io, folder.get(), child.name))
                return error;
        }
        if (listError)
            return listError.value();
    }
    return io.unlinkAt(parent, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT ? 0 : errno;
}
