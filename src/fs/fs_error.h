#pragma once
// The one error type of the file-system layer: a std::error_code, either a
// system errno (std::system_category) or one of Loftwell's own conditions
// (fsCategory), together with the path it concerns and, inside an item being
// copied, verified or trashed, where in the item it happened. The text shown
// to the user is made from the code only at the edge (error_description.h).
// Plain values; usable from any thread.

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <variant>

// Loftwell's own conditions, apart from errno values.
enum class FsErrc {
    copyIntoItself = 1, // the destination lies inside the item
    specialFile,        // a socket or device, which cannot be recreated
    trashUnavailable,   // no Trash that can take the item without copying it
    sizeCheckFailed,    // the item no longer measures what the scan measured
    // What the verification of a copy found:
    sourceChanged,     // the source changed while or after it was copied
    entryMissing,      // an entry of the source is not in the copy
    typeDiffers,       // an entry of the copy is of another type
    linkTargetDiffers, // a link of the copy points elsewhere
    lengthDiffers,     // a file of the copy has another length
    contentsDiffer,    // a file of the copy reads back differently
    otherFileSystem,   // part of the source lies on another drive mounted inside it
    // What the transfer found:
    changedSinceScan, // the item's fingerprint is not the scan's
    destinationGone,  // the destination's drive was unmounted or removed
    notARealFolder,   // a link, file or other drive where a folder of ours belongs
    // What the destination cannot hold, found before anything is written:
    nameNotAllowed, // characters or a form of name its file system refuses
    nameTooLong,
    caseCollision, // two names in one folder that differ only in case
    linksNotSupported,
    fileTooLarge,   // beyond the file system's largest file (FAT32: 4 GiB - 1)
    notEnoughSpace, // the item is larger than the free space
    // Input/output errors, by the side that failed:
    originalUnreadable, // reading the original
    driveWriteFailed,   // writing the copy to the drive, or flushing it there
    readBackFailed,     // reading the copy back from the drive
    destinationMissing, // the destination folder the user named is not there
    hardLinkDiffers,    // a hard link of the item is not one in the copy
    // Where the read-back cannot reach the drive:
    notCheckedOnDrive,   // the drive's driver answers from memory: copied, not checked
    driveNotMountedBack, // unmounted for the check, the drive did not come back
    driveBusy,           // the drive could not be unmounted for the check: a program uses it
    deviceHeld,          // a program held the drive's device while it was unmounted: its cache stayed
    driveUntrusted,      // checked and identical, but the drive gave back another copy wrongly
    driveInUse,          // another run holds the drive
    unfinishedCopyLeft,  // stopped, and its unfinished copy could not be removed
    // Why the Trash could not take an original:
    trashFull,
    trashReadOnly,
    trashDenied,
    // What no copy is made of, each for its own reason:
    notFileOrFolder,    // the item is a pipe, socket or device
    isTheTrash,         // the item is a Trash, or inside one
    onTheDestination,   // the item lies on the destination's drive
    earlierCopyDiffers, // an earlier run's copy reads back unlike its original
};

const std::error_category& fsCategory();
std::error_code make_error_code(FsErrc condition);

template <>
struct std::is_error_code_enum<FsErrc> : std::true_type {
};

// An errno value as an error code.
inline std::error_code systemError(int errnoValue)
{
    return {errnoValue, std::system_category()};
}

// An errno value met reading an original, or writing to the drive: an
// input/output error becomes the condition that says which side failed.
std::error_code readingError(int errnoValue);
std::error_code writingError(int errnoValue);

// True for every condition a verification can report.
bool isVerificationFailure(std::error_code code);

struct FsError {
    std::error_code code;
    std::filesystem::path path; // the path the failure concerns
    std::string relativePath;   // inside the item ("a/b"), "" for the item itself or outside one
    // FsErrc::caseCollision: the name it collides with; FsErrc::driveBusy
    // and deviceHeld: the programs that hold the drive, where known.
    std::string otherName;

    FsError() = default;
    FsError(std::error_code code, std::filesystem::path path, std::string relativePath = {})
        : code(code), path(std::move(path)), relativePath(std::move(relativePath))
    {
    }
    FsError(FsErrc condition, std::filesystem::path path, std::string relativePath = {})
        : FsError(make_error_code(condition), std::move(path), std::move(relativePath))
    {
    }
    // An errno value.
    FsError(int errnoValue, std::filesystem::path path, std::string relativePath = {})
        : FsError(systemError(errnoValue), std::move(path), std::move(relativePath))
    {
    }
};

template <class T>
class [[nodiscard]] FsResult {
public:
    FsResult(T value) : state_(std::move(value)) {}
    FsResult(FsError error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(state_); }
    T& value() & { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const FsError& error() const { return std::get<1>(state_); }

private:
    std::variant<T, FsError> state_;
};

template <>
class [[nodiscard]] FsResult<void> {
public:
    FsResult() = default;
    FsResult(FsError error) : error_(std::move(error)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const FsError& error() const { return error_; }

private:
    FsError error_;
    bool failed_ = false;
};

// An error found inside an item while walking it, where only its place
// there ("a/b") is known; placedIn() gives it the full path.
inline FsError inItem(std::error_code code, std::string relative)
{
    return FsError{code, {}, std::move(relative)};
}
inline FsError inItem(FsErrc condition, std::string relative)
{
    return inItem(make_error_code(condition), std::move(relative));
}

// A walk's result with its error's path made from the item's path and the
// place inside it.
inline FsResult<void> placedIn(FsResult<void> result, const std::filesystem::path& item)
{
    if (result)
        return result;
    FsError error = result.error();
    error.path = error.relativePath.empty() ? item : item / error.relativePath;
    return error;
}
