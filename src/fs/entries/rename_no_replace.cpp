#include "fs/entries/rename_no_replace.h"

#include <cerrno>
#include <cstdio> // RENAME_NOREPLACE
#include <fcntl.h>
#include <sys/stat.h>

int renameNoReplace(const SystemIo& io, int fromDirectory, const char* from, int toDirectory, const char* to)
{
    if (io.renameAt(fromDirectory, from, toDirectory, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat st;
    if (io.statAt(toDirectory, to, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return io.renameAt(fromDirectory, from, toDirectory, to, 0) == 0 ? 0 : errno;
}
