#pragma once
// Copies one item (a file, a folder with everything in it, a link, a FIFO)
// to a target path at which nothing exists, over byte paths of any length,
// and later checks that the copy is complete and identical.
//
// The copy never replaces or merges into anything: every target is created
// exclusively. Links are copied as links, never followed; FIFOs are recreated
// and never opened; sockets and devices fail the item. Permission bits,
// modification times and, where both sides support them, extended attributes
// are kept; holes of sparse files stay holes. Nothing written is ever
// removed, also after a failure.
//
// Data goes by reflink where the file system can, else copy_file_range in
// chunks, else (across file systems, the usual case for an external drive)
// a read/write loop. When contents are to be verified, the loop is always
// used, hashing the source as it is read.
//
// Blocking; call from the transfer worker. Independent calls may run at once.

#include "model/content_hash.h"
#include "model/fs_result.h"

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// One entry of the source as it was copied.
struct CopiedEntry {
    std::string relativePath; // "" for the item itself, else "a/b" below it
    mode_t type = 0;          // the S_IFMT bits
    std::int64_t length = 0;
    std::string linkTarget;
    std::optional<ContentHash> hash; // regular files, when hashing
    // The source's identity and state when copied, to notice later changes
    // (a tool that puts the modification time back still moves the change time).
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0; // regular files
};

struct CopyManifest {
    std::vector<CopiedEntry> entries; // the item itself first
};

struct CopyOptions {
    bool hashContents = false;
    // When set, the copy stops at the next file or chunk with ECANCELED,
    // leaving what it wrote.
    const std::atomic<bool>* stop = nullptr;
};

FsResult<CopyManifest> copyItemTree(const std::filesystem::path& source, const std::filesystem::path& target,
                                    const CopyOptions& options);

// Checks the copy against the source and the manifest: every entry of the
// source, hidden ones included, is in the copy with the same type, links
// with the same target, files with the same length; the source has not
// changed since it was copied. With `compareContents` (the original is to
// go to the Trash), the copy is first flushed to the drive (syncfs, and
// fsync of every file and folder where syncfs may not reach the drive), its
// cached pages are dropped, every file is re-read from the drive and
// compared with the hash taken while copying, and no entry of the source
// may lie on another file system (a drive mounted inside the item must not
// go to the Trash with it). Any difference or read error is an
// OwnError::verificationFailed; so is `stop` being set.
FsResult<void> verifyItemCopy(const std::filesystem::path& source, const std::filesystem::path& target,
                              const CopyManifest& manifest, bool compareContents,
                              const std::atomic<bool>* stop = nullptr);
