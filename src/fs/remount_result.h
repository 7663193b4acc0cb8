#pragma once
// How unmounting a drive and mounting it again went. The kernel empties its
// cache of a drive's device only when the last program holding the device
// closes it, so a remount counts only where nothing else held the device
// while the drive was unmounted.

#include <filesystem>
#include <string>

struct RemountResult {
    enum class Outcome {
        remounted,      // unmounted, its device let go by all, and mounted again at `mountPoint`
        unavailable,    // nobody here may do it (no disk service, not root, a drive it does not know)
        busy,           // in use: not unmounted (`heldBy` names who, where that can be told)
        refused,        // not unmounted, for another reason
        deviceHeld,     // mounted again at `mountPoint`, but `heldBy` kept its device open meanwhile
        notMountedBack, // unmounted, and it did not mount again
    };
    Outcome outcome = Outcome::unavailable;
    std::filesystem::path mountPoint;
    std::string heldBy; // the programs' names, ", " between them; "" where none could be told
};
