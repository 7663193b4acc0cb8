#include "fs/error_description.h"

#include "fs/fs_error.h"

#include <cerrno>
#include <cstring>

namespace {

struct Description {
    const char* english;
    const char* chinese;
};

constexpr Description noSpace{"Not enough space on the destination", "目标位置空间不足"};
constexpr Description readOnly{"The destination is read-only", "目标位置是只读的"};
constexpr Description denied{"Permission denied", "没有访问权限"};
constexpr Description gone{"The item no longer exists", "项目已不存在"};
constexpr Description taken{"An item with the same name already exists", "已存在同名项目"};
constexpr Description badName{"The destination does not allow this name", "目标位置不允许使用这个名称"};
constexpr Description tooLarge{"The file is too large for the destination", "文件太大，目标位置无法存放"};
constexpr Description intoItself{"Cannot copy an item into itself", "不能把项目复制到它自己里面"};
constexpr Description noTrash{"Cannot move the item to the Trash", "无法把项目放入废纸篓"};
constexpr Description ioError{"Input/output error", "输入/输出错误"};
constexpr Description special{"Contains a special file that cannot be copied", "包含无法复制的特殊文件"};
constexpr Description changedDuring{"The item changed while it was being transferred", "项目在传输过程中发生了变化"};
constexpr Description changedSinceScan{"The item changed after it was scanned", "项目在扫描后发生了变化"};
constexpr Description destinationGone{"The destination is no longer available", "目标位置已不可用"};
constexpr Description notAFolder{"The destination folder is a link or not a real folder", "目标文件夹是链接或不是真正的文件夹"};
constexpr Description trashStep{"Copied and verified, but the original could not be moved to the Trash: %1",
                                "已复制并验证，但无法将原项目移到废纸篓：%1"};

const Description* describeSystem(int code)
{
    switch (code) {
    case ENOSPC:
    case EDQUOT: return &noSpace;
    case EROFS: return &readOnly;
    case EACCES:
    case EPERM: return &denied;
    case ENOENT: return &gone;
    case EEXIST:
    case ENOTEMPTY: return &taken;
    case EILSEQ:
    case ENAMETOOLONG: return &badName;
    case EFBIG: return &tooLarge;
    case EIO: return &ioError;
    case EXDEV: return &noTrash;
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
    default: return nullptr;
    }
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
        // The size check and every finding of the verification.
        return I18n::text("transfer.verifyFailed", language);
    }
    if (const Description* description = describeSystem(code.value()))
        return localized(*description, language);
    char buffer[256];
    return QString::fromLocal8Bit(strerror_r(code.value(), buffer, sizeof buffer));
}

QString errorDescription(std::error_code code)
{
    return errorDescription(code, I18n::language());
}

QString trashStepFailure(std::error_code code, I18n::Language language)
{
    return localized(trashStep, language).arg(errorDescription(code, language));
}

QString trashStepFailure(std::error_code code)
{
    return trashStepFailure(code, I18n::language());
}
