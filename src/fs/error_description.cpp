#include "fs/error_description.h"

#include "fs/fs_error.h"
#include "model/path_text.h"
#include "model/text_format.h"

#include <cerrno>
#include <cstdint>

namespace {

// The text table's key for an errno value; null for one without words of its own.
const char* systemKey(int code)
{
    switch (code) {
    case ENOSPC:
    case EDQUOT: return "error.noSpace";
    case EROFS: return "error.readOnly";
    case EACCES: return "error.denied";
    case EPERM: return "error.notPermitted";
    case ENOENT: return "error.gone";
    case EEXIST:
    case ENOTEMPTY: return "error.taken";
    case EILSEQ: return "error.badName";
    case ENAMETOOLONG: return "error.longName";
    case EFBIG: return "error.tooLarge";
    case EIO: return "error.ioError";
    case EXDEV: return "error.noTrash";
    case ENOTDIR: return "error.notFolder";
    case EINVAL: return "error.refused";
    case EMLINK: return "error.tooManyLinks";
    case ENOSYS:
    case EOPNOTSUPP:
    case ENOTTY: return "error.unsupported";
    case ENOTCONN:
    case ENODEV:
    case ENXIO:
    case ESHUTDOWN: return "error.destinationGone";
    case ECANCELED: return "error.stopped";
    case ELOOP: return "error.linkLoop";
    case EMFILE:
    case ENFILE: return "error.tooManyOpen";
    case ENOMEM: return "error.noMemory";
    case ETIMEDOUT: return "error.timedOut";
    case EBUSY:
    case ETXTBSY: return "error.busy";
    case ESTALE: return "error.stale";
    case EAGAIN: return "error.unavailable";
    case EISDIR: return "error.folderInTheWay";
    default: return nullptr;
    }
}

const char* ownKey(FsErrc condition)
{
    switch (condition) {
    case FsErrc::copyIntoItself: return "error.intoItself";
    case FsErrc::specialFile: return "error.special";
    case FsErrc::trashUnavailable: return "error.noTrash";
    case FsErrc::sourceChanged: return "error.changedDuring";
    case FsErrc::changedSinceScan: return "error.changedSinceScan";
    case FsErrc::destinationGone: return "error.destinationGone";
    case FsErrc::notARealFolder: return "error.notAFolder";
    case FsErrc::entryMissing: return "error.missing";
    case FsErrc::typeDiffers: return "error.otherType";
    case FsErrc::linkTargetDiffers: return "error.otherTarget";
    case FsErrc::lengthDiffers: return "error.otherLength";
    case FsErrc::contentsDiffer: return "error.otherContents";
    case FsErrc::otherFileSystem: return "error.otherDrive";
    case FsErrc::nameNotAllowed: return "error.badName";
    case FsErrc::nameTooLong: return "error.longName";
    case FsErrc::caseCollision: return "error.caseTwin";
    case FsErrc::linksNotSupported: return "error.noLinks";
    case FsErrc::fileTooLarge: return "error.tooLarge";
    case FsErrc::notEnoughSpace: return "error.noSpace";
    case FsErrc::originalUnreadable: return "error.readOriginal";
    case FsErrc::driveWriteFailed: return "error.writeDrive";
    case FsErrc::readBackFailed: return "error.readBack";
    case FsErrc::destinationMissing: return "error.noDestination";
    case FsErrc::hardLinkDiffers: return "error.otherHardLink";
    case FsErrc::notCheckedOnDrive: return "error.notChecked";
    case FsErrc::driveNotMountedBack: return "error.notMountedBack";
    case FsErrc::driveBusy: return "error.driveBusy";
    case FsErrc::deviceHeld: return "error.deviceHeld";
    case FsErrc::driveUntrusted: return "error.driveUntrusted";
    case FsErrc::driveInUse: return "error.driveInUse";
    case FsErrc::unfinishedCopyLeft: return "error.unfinishedLeft";
    case FsErrc::trashFull: return "error.trashFull";
    case FsErrc::trashReadOnly: return "error.trashReadOnly";
    case FsErrc::trashDenied: return "error.trashDenied";
    case FsErrc::notFileOrFolder: return "error.notFileOrFolder";
    case FsErrc::isTheTrash: return "error.theTrash";
    case FsErrc::onTheDestination: return "error.onDestination";
    case FsErrc::earlierCopyDiffers: return "error.earlierDiffers";
    case FsErrc::sizeCheckFailed: return nullptr; // the text table's own words
    }
    return nullptr;
}

} // namespace

QString errorDescription(std::error_code code, I18n::Language language)
{
    if (code.category() == fsCategory()) {
        if (const char* key = ownKey(FsErrc(code.value())))
            return I18n::text(key, language);
        return I18n::text("transfer.verifyFailed", language);
    }
    if (const char* key = systemKey(code.value()))
        return I18n::text(key, language);
    return formatText(I18n::text("error.otherError", language), {std::int64_t(code.value())});
}

QString errorDescription(std::error_code code)
{
    return errorDescription(code, I18n::language());
}

QString describeError(const FsError& error, I18n::Language language)
{
    QString reason = errorDescription(error.code, language);
    if (error.code == FsErrc::caseCollision)
        reason = formatText(reason, {displayText(std::string_view(error.otherName))});
    // Who holds the drive, where it could be told.
    if ((error.code == FsErrc::driveBusy || error.code == FsErrc::deviceHeld) && !error.otherName.empty())
        reason += formatText(I18n::text("error.heldBy", language), {displayText(std::string_view(error.otherName))});
    if (error.relativePath.empty())
        return reason;
    const QString where = displayText(std::string_view(error.relativePath));
    if (language == I18n::Language::chinese)
        return where + QStringLiteral("：") + reason;
    // Inside the sentence the reason starts in lower case: "a.txt: permission denied".
    if (!reason.isEmpty())
        reason[0] = reason[0].toLower();
    return where + QStringLiteral(": ") + reason;
}

QString trashStepFailure(std::error_code code, I18n::Language language)
{
    return formatText(I18n::text("error.trashStep", language), {errorDescription(code, language)});
}

QString trashStepFailure(std::error_code code)
{
    return trashStepFailure(code, I18n::language());
}

QString describeError(const FsError& error)
{
    return describeError(error, I18n::language());
}
