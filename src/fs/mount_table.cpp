#include "fs/mount_table.h"

#include <cstdio>
#include <fstream>
#include <sys/sysmacros.h>

std::optional<MountEntry> mountOfDevice(dev_t device)
{
    std::ifstream table("/proc/self/mountinfo");
    const std::string numbers = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::string line;
    while (std::getline(table, line)) {
        // "id parent major:minor root point options ... - type source super"
        char id[32], parent[32], field[64];
        if (std::sscanf(line.c_str(), "%31s %31s %63s", id, parent, field) != 3 || numbers != field)
            continue;
        const std::size_t dash = line.find(" - ");
        if (dash == std::string::npos)
            continue;
        char type[128] = {}, source[4096] = {};
        if (std::sscanf(line.c_str() + dash + 3, "%127s %4095s", type, source) < 1)
            continue;
        return MountEntry{type, source};
    }
    return std::nullopt;
}
