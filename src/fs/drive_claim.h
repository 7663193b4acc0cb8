#pragma once
// A run's hold on the drive it writes to, for its whole length, remount
// included: a lock keyed by the drive's device (which stays the same when
// the drive is mounted again elsewhere) and, for a drive that may be
// unmounted for its check, one keyed by its mount point, so that no run
// writes into the bare folder a drive leaves while it is away. The locks
// go when the claim does. Move-only.

#include "fs/unique_fd.h"

#include <string>
#include <utility>
#include <vector>

class DriveClaim {
public:
    bool holds(const std::string& key) const
    {
        for (const auto& [held, lock] : locks_) {
            if (held == key)
                return true;
        }
        return false;
    }
    void add(std::string key, UniqueFd lock) { locks_.emplace_back(std::move(key), std::move(lock)); }

private:
    std::vector<std::pair<std::string, UniqueFd>> locks_;
};
