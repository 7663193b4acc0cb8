#include "fs/error_description.h"

#include "fs/fs_error.h"
#include "model/path_text.h"

#include <cerrno>

namespace {

struct Description {
    const char* english;
    const char* chinese;
};

constexpr Description noSpace{"Not enough space on the destination", "目标位置空间不足"};
constexpr Description readOnly{"The destination is read-only", "目标位置是只读的"};
constexpr Description denied{"Permission denied", "没有访问权限"};
constexpr Description notPermitted{"The operation is not permitted", "不允许此操作"};
constexpr Description gone{"The item no longer exists", "项目已不存在"};
constexpr Description taken{"An item with the same name already exists", "已存在同名项目"};
constexpr Description badName{"The destination does not allow this name", "目标位置不允许使用这个名称"};
constexpr Description longName{"The name is too long for the destination", "名称对目标位置来说太长"};
constexpr Description tooLarge{"The file is too large for the destination", "文件太大，目标位置无法存放"};
constexpr Description intoItself{"Cannot copy an item into itself", "不能把项目复制到它自己里面"};
constexpr Description noTrash{"Cannot move the item to the Trash", "无法把项目放入废纸篓"};
constexpr Description ioError{"Input/output error", "输入/输出错误"};
constexpr Description otherError{"Input/output error (errno %1)", "输入/输出错误（错误码 %1）"};
constexpr Description special{"Contains a special file that cannot be copied", "包含无法复制的特殊文件"};
constexpr Description notFolder{"A folder in the path is a file", "路径中的某个文件夹其实是文件"};
constexpr Description refused{"The destination refused the request", "目标位置拒绝了此请求"};
constexpr Description tooManyLinks{"Too many entries or links", "项目或链接过多"};
constexpr Description unsupported{"The destination does not support this", "目标位置不支持此操作"};
constexpr Description noLinks{"The destination cannot store symbolic links", "目标位置无法存储符号链接"};
constexpr Description stopped{"Stopped", "已停止"};
constexpr Description linkLoop{"Too many levels of symbolic links", "符号链接层级过多"};
constexpr Description tooManyOpen{"Too many files are open", "打开的文件过多"};
constexpr Description noMemory{"Not enough memory", "内存不足"};
constexpr Description timedOut{"The drive did not answer in time", "驱动器未及时响应"};
constexpr Description busy{"The item is in use", "项目正在使用中"};
constexpr Description stale{"The item is no longer valid on the drive", "项目在驱动器上已失效"};
constexpr Description unavailable{"The item is temporarily unavailable", "项目暂时不可用"};
constexpr Description folderInTheWay{"A folder is in the way", "此处已有文件夹"};
constexpr Description changedDuring{"The item changed while it was being transferred", "项目在传输过程中发生了变化"};
constexpr Description changedSinceScan{"The item changed after it was scanned", "项目在扫描后发生了变化"};
constexpr Description destinationGone{"The destination is no longer available", "目标位置已不可用"};
constexpr Description notAFolder{"The destination folder is a link or not a real folder",
                                 "目标文件夹是链接或不是真正的文件夹"};
constexpr Description missing{"Missing from the copy", "副本中缺少此项"};
constexpr Description otherType{"Of another kind in the copy", "副本中的项目类型不同"};
constexpr Description otherTarget{"The link points elsewhere in the copy", "副本中的链接指向别处"};
constexpr Description otherLength{"Of another length in the copy", "副本中的长度不同"};
constexpr Description otherContents{
    "The drive gave back different data than was written: it may be failing, or smaller than it claims",
    "驱动器读回的数据与写入的不同：它可能出了故障，或者实际容量比标称的小"};
constexpr Description readOriginal{"Could not read the original (input/output error)",
                                   "无法读取原项目（输入/输出错误）"};
constexpr Description writeDrive{"The drive failed to write the copy (input/output error)",
                                 "驱动器未能写入副本（输入/输出错误）"};
constexpr Description readBack{"The copy could not be read back from the drive (input/output error)",
                               "无法从驱动器读回副本（输入/输出错误）"};
constexpr Description noDestination{"The destination folder does not exist", "目标文件夹不存在"};
constexpr Description otherHardLink{"The hard link is not one in the copy", "副本中的硬链接不一致"};
constexpr Description otherDrive{"Lies on another drive mounted inside the item", "位于挂载在项目内的另一个驱动器上"};
constexpr Description caseTwin{"The destination cannot tell this name from “%1”", "目标位置无法区分此名称与“%1”"};
constexpr Description trashStep{"Copied and verified, but the original could not be moved to the Trash: %1",
                                "已复制并验证，但无法将原项目移到废纸篓：%1"};

const Description* describeSystem(int code)
{
    switch (code) {
    case ENOSPC:
    case EDQUOT: return &noSpace;
    case EROFS: return &readOnly;
    case EACCES: return &denied;
    case EPERM: return &notPermitted;
    case ENOENT: return &gone;
    case EEXIST:
    case ENOTEMPTY: return &taken;
    case EILSEQ: return &badName;
    case ENAMETOOLONG: return &longName;
    case EFBIG: return &tooLarge;
    case EIO: return &ioError;
    case EXDEV: return &noTrash;
    case ENOTDIR: return &notFolder;
    case EINVAL: return &refused;
    case EMLINK: return &tooManyLinks;
    case ENOSYS:
    case EOPNOTSUPP:
    case ENOTTY: return &unsupported;
    case ENOTCONN:
    case ENODEV:
    case ENXIO:
    case ESHUTDOWN: return &destinationGone;
    case ECANCELED: return &stopped;
    case ELOOP: return &linkLoop;
    case EMFILE:
    case ENFILE: return &tooManyOpen;
    case ENOMEM: return &noMemory;
    case ETIMEDOUT: return &timedOut;
    case EBUSY:
    case ETXTBSY: return &busy;
    case ESTALE: return &stale;
    case EAGAIN: return &unavailable;
    case EISDIR: return &folderInTheWay;
    default: return nullptr;
    }
}

const Description* describeOwn(FsErrc condition)
{
    switch (condition) {
    case FsErrc::copyIntoItself: return &intoItself;
    case FsErrc::specialFile: return &special;
    case FsErrc::trashUnavailable: return &noTrash;
    case FsErrc::sourceChanged: return &changedDuring;
    case FsErrc::changedSinceScan: return &changedSinceScan;
    case FsErrc::destinationGone: return &destinationGone;
    case FsErrc::notARealFolder: return &notAFolder;
    case FsErrc::entryMissing: return &missing;
    case FsErrc::typeDiffers: return &otherType;
    case FsErrc::linkTargetDiffers: return &otherTarget;
    case FsErrc::lengthDiffers: return &otherLength;
    case FsErrc::contentsDiffer: return &otherContents;
    case FsErrc::otherFileSystem: return &otherDrive;
    case FsErrc::nameNotAllowed: return &badName;
    case FsErrc::nameTooLong: return &longName;
    case FsErrc::caseCollision: return &caseTwin;
    case FsErrc::linksNotSupported: return &noLinks;
    case FsErrc::fileTooLarge: return &tooLarge;
    case FsErrc::notEnoughSpace: return &noSpace;
    case FsErrc::originalUnreadable: return &readOriginal;
    case FsErrc::driveWriteFailed: return &writeDrive;
    case FsErrc::readBackFailed: return &readBack;
    case FsErrc::destinationMissing: return &noDestination;
    case FsErrc::hardLinkDiffers: return &otherHardLink;
    case FsErrc::sizeCheckFailed: return nullptr; // the text table's own words
    }
    return nullptr;
}

QString localized(const Description& description, I18n::Language language)
{
    return QString::fromUtf8(language == I18n::Language::chinese ? description.chinese : description.english);
}

} // namespace

QString errorDescription(std::error_code code, I18n::Language language)
{
    if (code.category() == fsCategory()) {
        if (const Description* description = describeOwn(FsErrc(code.value())))
            return localized(*description, language);
        return I18n::text("transfer.verifyFailed", language);
    }
    if (const Description* description = describeSystem(code.value()))
        return localized(*description, language);
    return localized(otherError, language).arg(code.value());
}

QString errorDescription(std::error_code code)
{
    return errorDescription(code, I18n::language());
}

QString describeError(const FsError& error, I18n::Language language)
{
    QString reason = errorDescription(error.code, language);
    if (error.code == FsErrc::caseCollision)
        reason = reason.arg(displayText(std::string_view(error.otherName)));
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
    return localized(trashStep, language).arg(errorDescription(code, language));
}

QString trashStepFailure(std::error_code code)
{
    return trashStepFailure(code, I18n::language());
}
