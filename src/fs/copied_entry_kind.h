#pragma once
// What a copied entry is, for code outside the file-system layer, which
// reads no file modes of its own.

#include "fs/file_system.h"

#include <sys/stat.h>

inline bool isFolderEntry(const CopiedEntry& entry)
{
    return S_ISDIR(entry.type);
}

inline bool isFileEntry(const CopiedEntry& entry)
{
    return S_ISREG(entry.type);
}
