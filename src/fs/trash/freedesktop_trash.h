#pragma once
// Moves an item to the user's Trash the way the freedesktop.org Trash
// standard 1.0 lays it out, over byte paths:
// - items on the home file system go to $XDG_DATA_HOME/Trash (when that is
//   an absolute path) or ~/.local/share/Trash, made 0700 when missing;
// - items on another mount go to $topdir/.Trash/$uid when .Trash is a real
//   folder with the sticky bit, else to $topdir/.Trash-$uid, made 0700 and
//   required to belong to the user.
// The .trashinfo file is created first and exclusively, with a
// percent-encoded Path= and the local DeletionDate=; then the item is
// renamed into files/ without ever replacing anything. An item is never
// copied across devices. On any failure the item stays where it was and no
// .trashinfo is left behind.
//
// Every system call goes through `io`. Blocking but prompt; callable from
// any thread.

#include "fs/file_system.h"
#include "fs/system_io.h"

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

struct TrashEnvironment {
    std::filesystem::path home;
    std::optional<std::filesystem::path> dataHome; // $XDG_DATA_HOME as set, if set
    uid_t uid = 0;

    static TrashEnvironment current(const std::filesystem::path& home);
};

// Returns where the item now is, inside the Trash's files/ folder. With
// `copied`, the item is compared with what was copied right before the
// move, and any change refuses it (FsErrc::sourceChanged). An item that is
// itself a mount point is refused before anything is made. Paths of any
// length work; a name too long for a .trashinfo beside it is shortened in
// the Trash (Path= keeps the original).
FsResult<std::filesystem::path> moveToTrash(const SystemIo& io, const std::filesystem::path& item,
                                            const TrashEnvironment& environment, const CopyManifest* copied = nullptr);

// The name an item gets inside the Trash's files/ and info/ folders: the
// original, cut at a character boundary when it and ".trashinfo" with a
// number would not fit the file-name limit.
std::string trashEntryName(const std::string& name);

// Path= encoding: bytes outside A-Z a-z 0-9 - _ . ~ / become %XX.
std::string percentEncodePath(const std::string& bytes);
