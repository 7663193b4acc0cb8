// The report after a transfer: its title, the folder written, the Trash sentence and the failure lines.

#include "transfer/transfer_report.h"

#include "model/byte_format.h"
#include "model/text_format.h"
#include "model/text_table.h"

#include <gtest/gtest.h>

namespace {

TransferResult resultWith(int failures, std::int64_t trashed = 0)
{
    TransferResult result;
    result.trashed = trashed;
    result.trashedBytes = trashed * 267'400'000;
    result.destination = "/media/drive/Loftwell/2026-12-07_09-05-03";
    for (int i = 1; i <= failures; ++i)
        result.failures.append(QStringLiteral("line %1").arg(i));
    return result;
}

QString saved()
{
    return I18n::text("alert.destination")
        .replace(QStringLiteral("%@"), QStringLiteral("/media/drive/Loftwell/2026-12-07_09-05-03"));
}

QString failed(const QString& lines)
{
    return I18n::text("alert.failures").replace(QStringLiteral("%@"), lines);
}

} // namespace

// The Trash sentence only where an original went there: not for a run
// that stopped first or whose every item failed.
TEST(TransferReport, NamesTheFolderAndTheTrashOnlyWhenAnOriginalWentThere)
{
    const TransferReport copied = makeTransferReport(resultWith(0));
    EXPECT_EQ(copied.title, I18n::text("alert.done"));
    EXPECT_EQ(copied.message, saved());
    const TransferReport trashed = makeTransferReport(resultWith(0, 2));
    // And what they take there, freed only when the Trash is emptied.
    EXPECT_EQ(trashed.message, saved() + I18n::text("alert.trashed") +
                                   formatText(I18n::text("alert.trashedSize"), {QStringLiteral("534.8 MB")}));
    const TransferReport noneTrashed = makeTransferReport(resultWith(3, 0));
    EXPECT_EQ(noneTrashed.title, I18n::text("alert.partial"));
    EXPECT_FALSE(noneTrashed.message.contains(I18n::text("alert.trashed")));
    EXPECT_FALSE(noneTrashed.message.contains(formatText(I18n::text("alert.trashedSize"), {formatBytes(0)})));
}

TEST(TransferReport, ShowsAtMostEightFailureLines)
{
    const TransferReport eight = makeTransferReport(resultWith(8, 1));
    EXPECT_EQ(eight.title, I18n::text("alert.partial"));
    EXPECT_EQ(eight.message,
              saved() + I18n::text("alert.trashed") +
                  formatText(I18n::text("alert.trashedSize"), {QStringLiteral("267.4 MB")}) +
                  failed(QStringLiteral("line 1\nline 2\nline 3\nline 4\nline 5\nline 6\nline 7\nline 8")));
    const TransferReport ten = makeTransferReport(resultWith(10));
    EXPECT_EQ(ten.message,
              saved() + failed(QStringLiteral("line 1\nline 2\nline 3\nline 4\nline 5\nline 6\nline 7\nline 8\n...")));
    EXPECT_FALSE(ten.message.contains(QStringLiteral("line 9")));
}
