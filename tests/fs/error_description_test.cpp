// The words a failure is reported in, in both languages, with the place inside the item.

#include "fs/error_description.h"

#include "fs/fs_error.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using I18n::Language;

QString english(std::error_code code)
{
    return errorDescription(code, Language::english);
}

QString chinese(std::error_code code)
{
    return errorDescription(code, Language::chinese);
}

} // namespace

TEST(ErrorDescription, TheTransfersOwnReasonsInBothLanguages)
{
    EXPECT_EQ(english(FsErrc::sourceChanged), QStringLiteral("The item changed while it was being transferred"));
    EXPECT_EQ(chinese(FsErrc::sourceChanged), QStringLiteral("项目在移动过程中发生了变化"));
    EXPECT_EQ(english(FsErrc::changedSinceScan), QStringLiteral("The item changed after it was scanned"));
    EXPECT_EQ(chinese(FsErrc::changedSinceScan), QStringLiteral("项目在扫描后发生了变化"));
    EXPECT_EQ(english(FsErrc::destinationGone), QStringLiteral("The destination is no longer available"));
    EXPECT_EQ(chinese(FsErrc::destinationGone), QStringLiteral("目标位置已不可用"));
    EXPECT_EQ(
        trashStepFailure(systemError(EACCES), Language::english),
        QStringLiteral("Copied and verified, but the original could not be moved to the Trash: Permission denied"));
    EXPECT_EQ(trashStepFailure(systemError(EACCES), Language::chinese),
              QStringLiteral("已复制并核对，但无法把原项目移到回收站：没有访问权限"));
}

TEST(ErrorDescription, AVerificationSaysWhatDifferedAndWhere)
{
    const FsError contents(FsErrc::contentsDiffer, "/drive/Album/sub/a.jpg", "sub/a.jpg");
    EXPECT_EQ(
        describeError(contents, Language::english),
        QStringLiteral(
            "sub/a.jpg: the drive gave back different data than was written: it may be failing, or smaller than it claims"));
    EXPECT_EQ(describeError(contents, Language::chinese),
              QStringLiteral("sub/a.jpg：驱动器读回的数据与写入的不同：它可能出了故障，或者实际容量比标称的小"));
    const FsError missing(FsErrc::entryMissing, "/drive/Album/.config", ".config");
    EXPECT_EQ(describeError(missing, Language::english), QStringLiteral(".config: missing from the copy"));
    // Every finding has words of its own; the scan's size check keeps the table's.
    for (FsErrc found : {FsErrc::entryMissing, FsErrc::typeDiffers, FsErrc::linkTargetDiffers, FsErrc::lengthDiffers,
                         FsErrc::contentsDiffer, FsErrc::otherFileSystem}) {
        EXPECT_NE(english(found), I18n::text("transfer.verifyFailed", Language::english));
        EXPECT_NE(chinese(found), english(found));
    }
    EXPECT_EQ(english(FsErrc::sizeCheckFailed), QStringLiteral("Copied item size verification failed"));
    EXPECT_EQ(chinese(FsErrc::sizeCheckFailed), I18n::text("transfer.verifyFailed", Language::chinese));
}

TEST(ErrorDescription, WhatADriveCannotHoldNamesTheCulprit)
{
    const FsError name(FsErrc::nameNotAllowed, "/src/Folder/a:b.txt", "a:b.txt");
    EXPECT_EQ(describeError(name, Language::english),
              QStringLiteral("a:b.txt: the destination does not allow this name"));
    EXPECT_EQ(describeError(name, Language::chinese), QStringLiteral("a:b.txt：目标位置不允许使用这个名称"));
    FsError twin(FsErrc::caseCollision, "/src/Folder/notes.txt", "notes.txt");
    twin.otherName = "Notes.txt";
    EXPECT_EQ(describeError(twin, Language::english),
              QStringLiteral("notes.txt: the destination cannot tell this name from “Notes.txt”"));
    EXPECT_EQ(describeError(twin, Language::chinese), QStringLiteral("notes.txt：目标位置无法区分此名称与“Notes.txt”"));
    EXPECT_EQ(english(FsErrc::linksNotSupported), QStringLiteral("The destination cannot store symbolic links"));
}

TEST(ErrorDescription, SystemErrorsPeopleMeetHaveTheirOwnWords)
{
    // Never the C library's English: every errno has words, or a general one with its number.
    for (int code : {ENOTDIR, EINVAL, EMLINK, ENOSYS, EPERM, ENOTCONN, ENODEV, ECANCELED, EIO, EACCES, EEXIST}) {
        EXPECT_NE(english(systemError(code)), chinese(systemError(code))) << code;
        EXPECT_FALSE(chinese(systemError(code)).contains(QStringLiteral("errno"))) << code;
    }
    EXPECT_EQ(english(systemError(ENOTCONN)), QStringLiteral("The destination is no longer available"));
    EXPECT_EQ(english(systemError(EPROTO)), QStringLiteral("Input/output error (errno %1)").arg(EPROTO));
    EXPECT_EQ(chinese(systemError(EPROTO)), QStringLiteral("输入/输出错误（错误码 %1）").arg(EPROTO));
    EXPECT_EQ(english(systemError(ENOSPC)), QStringLiteral("Not enough space on the destination"));
    EXPECT_EQ(chinese(systemError(ENOSPC)), QStringLiteral("目标位置空间不足"));
    EXPECT_EQ(english(systemError(EROFS)), QStringLiteral("The destination is read-only"));
    // The same errno from another category is still an errno.
    EXPECT_EQ(english(std::make_error_code(std::errc::no_space_on_device)), english(systemError(ENOSPC)));
}
