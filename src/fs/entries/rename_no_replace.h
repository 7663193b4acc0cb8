#pragma once
// rename without replacing anything at the new name; where the file system
// lacks RENAME_NOREPLACE (some FUSE drivers), an existence test just before
// is the best that can be done. 0, or an errno value.

#include "fs/system_io.h"

int renameNoReplace(const SystemIo& io, int fromDirectory, const char* from, int toDirectory, const char* to);
