#include "model/error_text.h"

#include <cerrno>
#include <cstring>

namespace {

struct Description {
    const char* english;
    const char* chinese;
};

const Description* describe(int code)
{
    static constexpr Description noSpace{"Not enough space on the destination", "目标位置空间不足"};
    static constexpr Description readOnly{"The destination is read-only", "目标位置是只读的"};
    static constexpr Description denied{"Permission denied", "没有访问权限"};
    static constexpr Description gone{"The item no longer exists", "项目已不存在"};
    static constexpr Description taken{"An item with the same name already exists", "已存在同名项目"};
    static constexpr Description badName{"The destination does not allow this name", "目标位置不允许使用这个名称"};
    static constexpr Description tooLarge{"The file is too large for the destination", "文件太大，目标位置无法存放"};
    static constexpr Description intoItself{"Cannot copy an item into itself", "不能把项目复制到它自己里面"};
    static constexpr Description noTrash{"Cannot move the item to the Trash", "无法把项目放入废纸篓"};
    static constexpr Description ioError{"Input/output error", "输入/输出错误"};
    static constexpr Description special{"Contains a special file that cannot be copied", "包含无法复制的特殊文件"};
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
    case OwnError::copyIntoItself: return &intoItself;
    case OwnError::trashUnavailable:
    case EXDEV: return &noTrash;
    case OwnError::specialFile: return &special;
    default: return nullptr;
    }
}

} // namespace

QString errorDescription(int code, I18n::Language language)
{
    if (code == OwnError::verificationFailed)
        return I18n::text("transfer.verifyFailed", language);
    if (const Description* description = describe(code))
        return QString::fromUtf8(language == I18n::Language::chinese ? description->chinese : description->english);
    char buffer[256];
    return QString::fromLocal8Bit(strerror_r(code, buffer, sizeof buffer));
}

QString errorDescription(int code)
{
    return errorDescription(code, I18n::language());
}
