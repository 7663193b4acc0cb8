// The report after a transfer: its title, the folder written, the Trash sentence and the failure lines.

#include "transfer/transfer_report.h"

#include "model/byte_format.h"
#include "model/text_format.h"
#include "model/text_table.h"

#include <gtest/gtest.h>

namespace {

// `failures` items that ended in `state`, each with its line, after
// `done` that ended as asked; `trashed` of these moved.
TransferResult resultWith(int failures, std::int64_t trashed = 0, ItemState state = ItemState::notCopied, int done = 1)
{
    TransferResult result;
    result.trashed = trashed;
    result.trashedBytes = trashed * 267'400'000;
    result.destination = "/media/drive/Loftwell/2026-12-07_09-05-03";
    result.states.assign(std::size_t(done), trashed > 0 ? ItemState::moved : ItemState::copied);
    for (int i = 1; i <= failures; ++i) {
        result.failedItems.push_back({result.states.size(), FsError{}, false, state});
        result.states.push_back(state);
        result.failures.append(QStringLiteral("line %1").arg(i));
    }
    result.savedCopies = std::ranges::any_of(result.states, [](ItemState s) { return s != ItemState::notCopied; });
    return result;
}

QString saved()
{
    return I18n::text("alert.destination")
        .replace(QStringLiteral("%@"), QStringLiteral("/media/drive/Loftwell/2026-12-07_09-05-03"));
}

QString group(const char* heading, std::int64_t count, const QString& lines)
{
    return formatText(I18n::text(heading), {count, lines});
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

// Each item that did not end as asked under where it stands, what is on
// the drive first; at most eight lines in all.
TEST(TransferReport, GroupsTheItemsByWhereTheyStandWithAtMostEightLines)
{
    TransferResult result = resultWith(2, 1, ItemState::notCopied);
    result.failedItems.push_back({result.states.size(), FsError{}, true, ItemState::copied});
    result.states.push_back(ItemState::copied);
    result.failures.append(QStringLiteral("kept"));
    for (int i = 1; i <= 7; ++i) {
        result.failedItems.push_back({result.states.size(), FsError{}, false, ItemState::copiedNotChecked});
        result.states.push_back(ItemState::copiedNotChecked);
        result.failures.append(QStringLiteral("whole %1").arg(i));
    }
    const TransferReport report = makeTransferReport(result);
    EXPECT_EQ(report.title, I18n::text("alert.partial"));
    EXPECT_EQ(report.message,
              saved() + I18n::text("alert.trashed") +
                  formatText(I18n::text("alert.trashedSize"), {QStringLiteral("267.4 MB")}) +
                  group("alert.unchecked", 7,
                        QStringLiteral("whole 1\nwhole 2\nwhole 3\nwhole 4\nwhole 5\nwhole 6\nwhole 7")) +
                  group("alert.copiedKept", 1, QStringLiteral("kept")) +
                  group("alert.notCopied", 2, QStringLiteral("...")));
    EXPECT_EQ(itemStatesText(result), QStringLiteral("1 moved, 1 copied, 7 copied, not checked, 2 not copied"));
    EXPECT_EQ(makeTransferReport(resultWith(10)).message,
              saved() + group("alert.notCopied", 10,
                              QStringLiteral("line 1\nline 2\nline 3\nline 4\nline 5\nline 6\nline 7\nline 8\n...")));
}

// No folder is named that holds no copy: one never made, or removed again.
TEST(TransferReport, ARunThatSavedNothingNamesNoFolder)
{
    TransferResult result = resultWith(0, 0, ItemState::notCopied, 0);
    result.states.assign(3, ItemState::notCopied);
    result.destinationFailed = FsError{FsErrc::destinationMissing, "/media/NOPE"};
    result.failures.append(QStringLiteral("no folder"));
    const TransferReport report = makeTransferReport(result);
    EXPECT_EQ(report.message,
              I18n::text("alert.nothingSaved") + group("alert.notCopied", 3, QStringLiteral("no folder")));
    EXPECT_FALSE(report.message.contains(QStringLiteral("/media")));
}

// A drive that gave back what it was not given: the report says so first,
// and the notification says nothing else.
TEST(TransferReport, ADriveFaultLeadsTheReportAndIsTheNotification)
{
    TransferResult result = resultWith(2, 0, ItemState::copied);
    result.driveFault = true;
    const TransferReport report = makeTransferReport(result);
    EXPECT_EQ(report.title, I18n::text("alert.partial"));
    EXPECT_TRUE(report.message.startsWith(I18n::text("alert.driveFault") + QStringLiteral("\n\n") + saved()))
        << report.message.toStdString();
    EXPECT_EQ(itemStatesText(result), I18n::text("notify.driveFault"));
}

// Copies nobody read back because the drive did not mount again are not
// called whole; and on the items' own disk, the Trash frees nothing overall.
TEST(TransferReport, SaysWhatIsKnownOfCopiesTheDriveTookAwayAndOfTheTrashOnTheSameDisk)
{
    TransferResult gone = resultWith(2, 0, ItemState::copiedNotChecked);
    gone.failedItems[1].error = FsError{FsErrc::driveNotMountedBack, "/media/drive"};
    const QString message = makeTransferReport(gone).message;
    EXPECT_TRUE(message.contains(group("alert.uncheckedDriveGone", 2, QStringLiteral("line 1\nline 2"))))
        << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("whole on the drive")));

    TransferResult sameDisk = resultWith(0, 2);
    sameDisk.sameDisk = true;
    EXPECT_EQ(makeTransferReport(sameDisk).message,
              saved() + I18n::text("alert.trashed") +
                  formatText(I18n::text("alert.trashedSizeSameDisk"), {QStringLiteral("534.8 MB")}));
}
