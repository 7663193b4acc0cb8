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
    EXPECT_EQ(chinese(FsErrc::sourceChanged), QStringLiteral("项目在传输过程中发生了变化"));
    EXPECT_EQ(english(FsErrc::changedSinceScan), QStringLiteral("The item changed after it was scanned"));
    EXPECT_EQ(chinese(FsErrc::changedSinceScan), QStringLiteral("项目在扫描后发生了变化"));
    EXPECT_EQ(english(FsErrc::destinationGone), QStringLiteral("The destination is no longer available"));
    EXPECT_EQ(chinese(FsErrc::destinationGone), QStringLiteral("目标位置已不可用"));
    EXPECT_EQ(trashStepFailure(systemError(EACCES), Language::english),
              QStringLiteral("Copied and verified, but the original could not be moved to the Trash: Permission denied"));
    EXPECT_EQ(trashStepFailure(systemError(EACCES), Language::chinese),
              QStringLiteral("已复制并验证，但无法将原项目移到废纸篓：没有访问权限"));
}

TEST(ErrorDescription, WhatAVerificationFoundReadsAsTheVerificationFailing)
{
    for (FsErrc found : {FsErrc::entryMissing, FsErrc::typeDiffers, FsErrc::linkTargetDiffers, FsErrc::lengthDiffers,
                         FsErrc::contentsDiffer, FsErrc::otherFileSystem, FsErrc::sizeCheckFailed}) {
        EXPECT_EQ(english(found), QStringLiteral("Copied item size verification failed"));
        EXPECT_EQ(chinese(found), I18n::text("transfer.verifyFailed", Language::chinese));
    }
}

TEST(ErrorDescription, SystemErrorsPeopleMeetHaveTheirOwnWords)
{
    EXPECT_EQ(english(systemError(ENOSPC)), QStringLiteral("Not enough space on the destination"));
    EXPECT_EQ(chinese(systemError(ENOSPC)), QStringLiteral("目标位置空间不足"));
    EXPECT_EQ(english(systemError(EROFS)), QStringLiteral("The destination is read-only"));
    // The same errno from another category is still an errno.
    EXPECT_EQ(english(std::make_error_code(std::errc::no_space_on_device)), english(systemError(ENOSPC)));
}
