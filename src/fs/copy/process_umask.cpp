#include "fs/copy/process_umask.h"

#include <cstdio>

std::optional<mode_t> currentUmask()
{
    std::FILE* status = std::fopen("/proc/self/status", "re");
    if (!status)
        return std::nullopt;
    std::optional<mode_t> mask;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        unsigned value;
        if (std::sscanf(line, "Umask: %o", &value) == 1) {
            mask = mode_t(value);
            break;
        }
    }
    std::fclose(status);
    return mask;
}
