#pragma once
// Copies one item (a file, a folder with everything in it, a link, a FIFO)
// to a target path at which nothing exists, over byte paths of any length.
//
// The copy never replaces or merges into anything: every target is created
// exclusively. Links are copied as links, never followed; FIFOs are recreated
// and never opened; sockets and devices fail the item. Permission bits,
// modification times and, where both sides support them, extended attributes
// are kept; holes of sparse files stay holes. Nothing written is ever
// removed, also after a failure. A failure names the entry inside the item
// where it happened.
//
// Data goes by reflink where the file system can, else copy_file_range in
// chunks, else (across file systems, the usual case for an external drive)
// a read/write loop. When contents are to be verified, the source's bytes
// are hashed as they are copied (a reflink is not hashed: the verification
// checks its blocks): by the loop as it reads them, or just before the kernel
// copies each chunk, which then finds it in the cache, the next chunk on
// another thread meanwhile.
//
// Every system call goes through `io`. Blocking; call from the transfer
// worker. Independent calls may run at once.

#include "fs/file_system.h"
#include "fs/system_io.h"

#include <filesystem>
#include <string>

// The copy is made at `targetName` inside the open folder `targetDirectory`.
FsResult<CopyManifest> copyItemTree(const SystemIo& io, const std::filesystem::path& source, int targetDirectory,
                                    const std::string& targetName, const CopyOptions& options);

// The same at a path.
FsResult<CopyManifest> copyItemTree(const SystemIo& io, const std::filesystem::path& source,
                                    const std::filesystem::path& target, const CopyOptions& options);
