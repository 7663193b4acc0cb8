#pragma once
// A move to a stick as most are sold (fuse_stick.h), with the Trash, reaching
// the drive one way: through the desktop's disk service (UDisks2, a mock that
// really unmounts and mounts) or, with none, by the program itself as root.
// And the rule every such test checks: after the stick is mounted afresh,
// every original in the Trash has an identical copy on it.

#include "desktop/udisks_remount.h"
#include "support/fuse_stick.h"
#include "support/mock_bus.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "transfer/transfer_engine.h"

#include <QJsonObject>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class Way { udisks, own };

class StickJob {
public:
    StickJob(DriveKind kind, Way way) : kind_(kind), way_(way) {}

    DriveKind kind() const { return kind_; }
    bool viaUdisks() const { return way_ == Way::udisks; }

    // A stick storing `stored` MiB and claiming `claimed`, and the way to
    // reach it; false (the test skips) where this machine cannot. `udisks`
    // adds to the disk service's parameters; `diskMode` and `formatOptions`
    // go to the stick (fuse_stick.h).
    bool makeStick(int stored, int claimed, const QJsonObject& udisks = {}, const std::string& diskMode = {},
                   const std::vector<std::string>& formatOptions = {});

    // `count` items of `bytes` each, named "itemN.mkv".
    std::vector<Candidate> makeItems(int count, std::int64_t bytes);
    // One item of `bytes` bytes named `name`.
    Candidate makeItem(const std::string& name, std::int64_t bytes);

    // With the Trash; `checking` runs as the drive is about to be checked,
    // `lastCopy` as the last item's copy starts.
    TransferResult run(const std::vector<Candidate>& items, const std::function<void()>& checking = {},
                       const std::function<void()>& lastCopy = {});

    // The rule itself: every original in the Trash has a true copy on the
    // stick as it reads after being mounted again; none when it will not.
    // The number of originals in the Trash.
    int expectNoOriginalLost(const TransferResult& result);

    TempDir dir;
    ScriptedFileSystem fileSystem;
    std::unique_ptr<FuseStick> stick;
    MockBus bus;
    std::optional<UdisksRemount> remount;
    std::map<std::string, std::string> contents;
    std::string why;

private:
    DriveKind kind_;
    Way way_;
};
