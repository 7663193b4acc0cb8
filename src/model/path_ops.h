#pragma once
// Path operations on native byte paths, with the meanings the rest of the
// program relies on. Pure; usable from any thread.

#include <filesystem>
#include <string>
#include <string_view>

// Hidden in the platform's sense: a name starting with ".".
inline bool isHiddenName(std::string_view name)
{
    return !name.empty() && name.front() == '.';
}

// The last component, ignoring trailing separators; empty for "/" and "".
std::string lastPathComponent(const std::filesystem::path& path);

// The part of `name` after its last ".", or empty when there is none. A
// leading "." starts a hidden name, not an extension.
std::string extensionOfName(const std::string& name);

// The extension of the last component.
std::string pathExtension(const std::filesystem::path& path);

// "." and ".." resolved lexically, repeated and trailing separators removed.
// Two paths to the same item written differently compare equal after this.
std::filesystem::path standardizedPath(const std::filesystem::path& path);
