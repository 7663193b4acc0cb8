#include "fs/copy/extended_attributes.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

bool fatalXattrError(int code)
{
    // ext4 even says ENOSPC for an attribute too big for it; a failing
    // drive says EIO.
    return code == EIO;
}

} // namespace

int copyExtendedAttributes(const SystemIo& io, int in, int out)
{
    std::vector<char> names(4096);
    ssize_t length;
    while ((length = io.listAttributes(in, names.data(), names.size())) < 0 && errno == ERANGE)
        names.resize(names.size() * 4);
    if (length <= 0)
        return 0;
    std::vector<char> value(4096);
    for (const char* name = names.data(); name < names.data() + length; name += std::strlen(name) + 1) {
        ssize_t size;
        while ((size = io.getAttribute(in, name, value.data(), value.size())) < 0 && errno == ERANGE)
            value.resize(value.size() * 4);
        if (size < 0)
            continue;
        if (io.setAttribute(out, name, value.data(), std::size_t(size), 0) != 0 && fatalXattrError(errno))
            return errno;
    }
    return 0;
}
