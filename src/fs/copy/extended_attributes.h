#pragma once
// Copies a file's or folder's extended attributes (user.*, security.*,
// ACLs) from one open file to another. Support for them differs between file
// systems, so one the destination refuses is left out; only an input/output
// error counts. Every system call goes through `io`.

#include "fs/system_io.h"

// 0, or the errno that failed the copy.
int copyExtendedAttributes(const SystemIo& io, int in, int out);
