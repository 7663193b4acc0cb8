#pragma once
// Ejects a drive as a file manager's Eject button does, through the
// desktop's disk service (UDisks2): its file system unmounted, which waits
// for its last writes and leaves it clean, then the drive powered off where
// it can be. Blocking; each call waits at most some seconds for the service.

#include <QString>

#include <filesystem>
#include <optional>

struct EjectResult {
    enum class Outcome {
        ejected,      // unmounted (and powered off where the drive can be): safe to pull
        busy,         // another program has a file open there: still mounted
        otherMounted, // another file system of the drive is mounted (at `reason`): nothing done
        refused,      // the service refused or did not answer (its words in `reason`)
    };
    Outcome outcome = Outcome::refused;
    QString reason;
};

class DriveEject {
public:
    virtual ~DriveEject() = default;
    // The drive of the file system mounted at `mountPoint`, by the name a
    // user knows it by, when the service can eject it.
    virtual std::optional<QString> driveName(const std::filesystem::path& mountPoint) const = 0;
    virtual EjectResult eject(const std::filesystem::path& mountPoint) const = 0;
};
