#pragma once
// Removes a copy that a stopped transfer left unfinished: the entry `name`
// inside the open folder `parent` and, for a folder, everything below it,
// reached through *at calls that never follow a link. Only ever called on
// the hidden temporary name a copy is made under (unique_destination.h), so
// nothing but the program's own new files can go. 0, or an errno value.

#include "fs/system_io.h"

#include <string>

int removeUnfinishedCopyAt(const SystemIo& io, int parent, const std::string& name);
