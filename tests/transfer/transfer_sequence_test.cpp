// The sequence the window and the command line share: earlier copies asked
// about before anything else, the space they need counted once, a cancel or
// refusal writing nothing, and each run kept in the history of moves.

#include "transfer/transfer_sequence.h"

#include "model/text_format.h"
#include "model/text_table.h"
#include "scan/candidate_scanner.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "transfer/run_history.h"
#include "transfer/superseded_copies.h"
#include "transfer/transfer_report.h"

#include <gtest/gtest.h>

#include <deque>

namespace fs = std::filesystem;

namespace {

class ScriptedFront : public TransferFront {
public:
    std::deque<EarlierAnswer> earlierAnswers;
    bool start = false;            // the confirmation's answer
    std::vector<std::string> said; // what was asked or shown, in order
    TransferPlan last;

    EarlierAnswer askAboutEarlier(const EarlierCopies& found) override
    {
        said.push_back("earlier " + std::to_string(found.count()));
        const EarlierAnswer answer = earlierAnswers.front();
        earlierAnswers.pop_front();
        return answer;
    }
    void refuseForSpace(const TransferPlan& plan) override
    {
        said.push_back("space");
        last = plan;
    }
    bool confirm(const TransferPlan& plan) override
    {
        said.push_back("confirm");
        last = plan;
        return start;
    }
    bool report(const TransferResult&, const EjectOffer&) override { return false; }
    void ejected(const EjectResult&, const QString&) override {}
};

} // namespace

TEST(TransferSequence, EarlierCopiesAreAskedAboutFirstAndNeedNoSpace)
{
    TempDir dir;
    ScriptedFileSystem fileSystem;
    fileSystem.setHome(dir / "home");
    const fs::path downloads = dir / "home" / "Downloads";
    writeFile(downloads / "a.bin", 300 * 1024, 'a');
    writeFile(downloads / "b.bin", 100 * 1024, 'b');
    const fs::path earlier = dir / "drive" / "Loftwell" / "2026-01-01_00-00-00" / "Downloads";
    makeFolder(earlier);
    fs::copy_file(downloads / "a.bin", earlier / "a.bin");
    fs::last_write_time(earlier / "a.bin", fs::last_write_time(downloads / "a.bin"));
    TransferPlan plan;
    for (const char* name : {"b.bin", "a.bin"}) {
        const ItemMeasure measure = measureItem(downloads / name, fileSystem);
        plan.items.emplace_back(downloads / name, QStringLiteral("Downloads"), QStringLiteral("File"), RiskLevel::safe,
                                QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
    }
    const std::int64_t a = plan.items[1].sizeBytes();
    const std::int64_t b = plan.items[0].sizeBytes();
    plan.to = dir / "drive";
    const TransferServices services{fileSystem, nullptr, nullptr, nullptr, {}, {}, {}, {}};

    // Taken: only b is written, and b is what must fit.
    ScriptedFront front;
    front.earlierAnswers = {TransferFront::EarlierAnswer::use, TransferFront::EarlierAnswer::use};
    plan.freeBytes = b + 1;
    EXPECT_FALSE(runTransferSequence(plan, front, services));
    plan.freeBytes = b - 1;
    EXPECT_FALSE(runTransferSequence(plan, front, services));
    EXPECT_EQ(front.said, (std::vector<std::string>{"earlier 1", "confirm", "earlier 1", "space"}));
    EXPECT_EQ(front.last.toWrite(), b);
    EXPECT_EQ(front.last.alreadyOnDrive, a);
    EXPECT_EQ(front.last.earlierCount, 1);

    // Copied again: both must fit. Cancelled: nothing more is asked.
    front.said.clear();
    front.earlierAnswers = {TransferFront::EarlierAnswer::copyAgain, TransferFront::EarlierAnswer::cancel};
    plan.freeBytes = b + 1;
    EXPECT_FALSE(runTransferSequence(plan, front, services));
    EXPECT_EQ(front.last.toWrite(), a + b);
    EXPECT_FALSE(runTransferSequence(plan, front, services));
    EXPECT_EQ(front.said, (std::vector<std::string>{"earlier 1", "space", "earlier 1"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "drive" / "Loftwell"), fs::directory_iterator()), 1);

    // No whole copy left, only what a run killed in its first copy left
    // unfinished: nothing is asked, and that goes as the run starts. The
    // move goes into the history, where the originals are in the Trash.
    fs::remove(earlier / "a.bin");
    writeFile(earlier / ".b.bin.loftwell-partial", 4096);
    front.said.clear();
    front.start = true;
    plan.freeBytes = 0;
    plan.moveToTrash = true;
    const fs::path history = dir / "history";
    writeFile(history / "runs" / "2026-01-01_00-00-00_0.json", 10); // damaged
    const auto result =
        runTransferSequence(plan, front, TransferServices{fileSystem, nullptr, nullptr, nullptr, {}, {}, {}, history});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->states, (std::vector<ItemState>{ItemState::moved, ItemState::moved}));
    EXPECT_EQ(front.said, std::vector<std::string>{"confirm"});
    EXPECT_FALSE(fs::exists(earlier.parent_path()));

    const HistoryRead read = readHistory(history);
    ASSERT_EQ(read.runs.size(), 1u);
    ASSERT_EQ(read.setAside.size(), 1u);
    EXPECT_TRUE(fs::exists(read.setAside[0]));
    EXPECT_TRUE(readHistory(history).setAside.empty()); // said once
    const HistoryEntry& run = read.runs[0];
    ASSERT_EQ(run.items.size(), 2u);
    ASSERT_EQ(run.record.items.size(), 2u);
    EXPECT_EQ(run.record.items[1].original, (downloads / "a.bin").native());
    EXPECT_EQ(readAll(dir / "drive" / "Loftwell" / run.record.items[1].copy), std::string(300 * 1024, 'a'));
    for (const HistoryItem& item : run.items) {
        EXPECT_EQ(item.state, ItemState::moved);
        EXPECT_FALSE(fs::exists(item.original));
        EXPECT_TRUE(fs::exists(item.trashedAs)) << item.trashedAs;
    }
    EXPECT_FALSE(run.drive.mountPoint.empty());
}

// "Copy Again": once an item's new copy is checked, the whole copy an earlier
// run left unchecked is only that run's unfinished work and goes, said in
// the report; a copy under its own name stays.
TEST(TransferSequence, CopyingAgainRemovesTheEarlierUncheckedCopyOnceTheNewOneIsChecked)
{
    TempDir dir;
    ScriptedFileSystem fileSystem;
    fileSystem.setHome(dir / "home");
    const fs::path downloads = dir / "home" / "Downloads";
    const fs::path earlier = dir / "drive" / "Loftwell" / "2026-01-01_00-00-00" / "Downloads";
    TransferPlan plan;
    for (const char* name : {"a.bin", "b.bin"}) {
        writeFile(downloads / name, 64 * 1024, name[0]);
        const fs::path copy = earlier / (name[0] == 'a' ? std::string(".a.bin.loftwell-unchecked") : std::string(name));
        makeFolder(earlier);
        fs::copy_file(downloads / name, copy);
        fs::last_write_time(copy, fs::last_write_time(downloads / name));
        const ItemMeasure measure = measureItem(downloads / name, fileSystem);
        plan.items.emplace_back(downloads / name, QStringLiteral("Downloads"), QStringLiteral("File"), RiskLevel::safe,
                                QStringLiteral("reason"), measure.sizeBytes, measure.fingerprint);
    }
    plan.to = dir / "drive";
    // Never from a drive that gave back what it was not given.
    TransferResult lying;
    lying.states = {ItemState::copied, ItemState::copied};
    lying.driveFault = true;
    EXPECT_TRUE(removeSupersededCopies(plan.items, plan.to, lying, findEarlierCopies(plan.items, plan.to, fileSystem),
                                       fileSystem)
                    .isEmpty());
    EXPECT_TRUE(fs::exists(earlier / ".a.bin.loftwell-unchecked"));
    ScriptedFront front;
    front.earlierAnswers = {TransferFront::EarlierAnswer::copyAgain};
    front.start = true;
    const auto result =
        runTransferSequence(plan, front, TransferServices{fileSystem, nullptr, nullptr, nullptr, {}, {}, {}, {}});
    ASSERT_TRUE(result);
    EXPECT_EQ(front.said, (std::vector<std::string>{"earlier 2", "confirm"}));
    EXPECT_EQ(result->states, (std::vector<ItemState>{ItemState::copied, ItemState::copied}));
    EXPECT_FALSE(fs::exists(earlier / ".a.bin.loftwell-unchecked"));
    EXPECT_EQ(readAll(earlier / "b.bin"), std::string(64 * 1024, 'b'));
    EXPECT_EQ(readAll(result->destination / "Downloads" / "a.bin"), std::string(64 * 1024, 'a'));
    ASSERT_EQ(result->supersededLines.size(), 1);
    const QString report = makeTransferReport(*result).message;
    EXPECT_TRUE(report.contains(
        formatText(I18n::text("alert.supersededCopies"), {std::int64_t(1), QString()}).trimmed().section(u'\n', 0, 0)))
        << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("Downloads/a.bin: "))) << report.toStdString();
}
