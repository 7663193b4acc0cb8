#pragma once
// The process's umask, read without changing it: umask() can only be read
// by setting it, which other threads would see.

#include <optional>
#include <sys/types.h>

// None before Linux 4.7, which does not show it.
std::optional<mode_t> currentUmask();
