#pragma once
// A tree walk for the scan benchmark only: the same sum as the engine's tree
// measure (regular files' blocks x 512, hidden names included, links never
// followed), with every stat call sent through io_uring, up to `depth` in
// flight, on one thread. Folders are read with plain getdents64 calls, as
// io_uring has no operation for them. Returns -1 where io_uring is refused.

#include <cstdint>
#include <string>

std::int64_t uringTreeSize(const std::string& root, unsigned depth);

// Whether this process may use io_uring with stat calls at all.
bool uringStatAvailable();
