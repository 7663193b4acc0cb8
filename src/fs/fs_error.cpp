#include "fs/fs_error.h"

#include <cerrno>

namespace {

class FsCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "loftwell.fs"; }

    // For logs and test output; users see error_description.h's texts.
    std::string message(int value) const override
    {
        switch (FsErrc(value)) {
        case FsErrc::copyIntoItself: return "copy into itself";
        case FsErrc::specialFile: return "special file";
        case FsErrc::trashUnavailable: return "no usable Trash";
        case FsErrc::sizeCheckFailed: return "size differs from the scan";
        case FsErrc::sourceChanged: return "source changed";
        case FsErrc::entryMissing: return "entry missing from the copy";
        case FsErrc::typeDiffers: return "entry of another type in the copy";
        case FsErrc::linkTargetDiffers: return "link target differs in the copy";
        case FsErrc::lengthDiffers: return "length differs in the copy";
        case FsErrc::contentsDiffer: return "contents differ in the copy";
        case FsErrc::otherFileSystem: return "part of the item is on another file system";
        case FsErrc::changedSinceScan: return "changed since the scan";
        case FsErrc::destinationGone: return "destination gone";
        case FsErrc::notARealFolder: return "not a real folder";
        case FsErrc::nameNotAllowed: return "name not allowed";
        case FsErrc::nameTooLong: return "name too long";
        case FsErrc::caseCollision: return "names differ only in case";
        case FsErrc::linksNotSupported: return "links not supported";
        case FsErrc::fileTooLarge: return "file too large";
        case FsErrc::notEnoughSpace: return "not enough space";
        case FsErrc::originalUnreadable: return "input/output error reading the original";
        case FsErrc::driveWriteFailed: return "input/output error writing to the drive";
        case FsErrc::readBackFailed: return "input/output error reading back from the drive";
        case FsErrc::destinationMissing: return "destination folder does not exist";
        case FsErrc::hardLinkDiffers: return "hard link differs in the copy";
        case FsErrc::notCheckedOnDrive: return "copied, not checked on the drive";
        case FsErrc::driveNotMountedBack: return "the drive did not mount again";
        case FsErrc::driveBusy: return "the drive is in use and could not be unmounted";
        case FsErrc::deviceHeld: return "another program held the drive's device";
        case FsErrc::driveUntrusted: return "the drive gave back another copy wrongly";
        case FsErrc::driveInUse: return "another run is using the drive";
        case FsErrc::unfinishedCopyLeft: return "stopped; the unfinished copy is still there";
        case FsErrc::trashFull: return "the Trash's disk is full";
        case FsErrc::trashReadOnly: return "the Trash's disk is read-only";
        case FsErrc::trashDenied: return "the Trash cannot be written to";
        case FsErrc::notFileOrFolder: return "not a file or folder";
        case FsErrc::isTheTrash: return "the item is a Trash";
        case FsErrc::onTheDestination: return "the item is on the destination drive";
        case FsErrc::earlierCopyDiffers: return "an earlier copy differs from its original";
        }
        return "unknown file-system condition " + std::to_string(value);
    }
};

} // namespace

const std::error_category& fsCategory()
{
    static const FsCategory category;
    return category;
}

std::error_code make_error_code(FsErrc condition)
{
    return {int(condition), fsCategory()};
}

std::error_code readingError(int errnoValue)
{
    return errnoValue == EIO ? make_error_code(FsErrc::originalUnreadable) : systemError(errnoValue);
}

std::error_code writingError(int errnoValue)
{
    return errnoValue == EIO ? make_error_code(FsErrc::driveWriteFailed) : systemError(errnoValue);
}

bool isVerificationFailure(std::error_code code)
{
    if (code.category() != fsCategory())
        return false;
    switch (FsErrc(code.value())) {
    case FsErrc::sourceChanged:
    case FsErrc::entryMissing:
    case FsErrc::typeDiffers:
    case FsErrc::linkTargetDiffers:
    case FsErrc::lengthDiffers:
    case FsErrc::contentsDiffer:
    case FsErrc::hardLinkDiffers:
    case FsErrc::otherFileSystem: return true;
    default: return false;
    }
}
