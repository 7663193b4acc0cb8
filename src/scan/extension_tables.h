#pragma once
// The file-name extensions (lower case, without the dot) that decide an
// item's kind. No extension is in more than one table.

#include <array>
#include <string_view>

inline constexpr std::array<std::string_view, 5> libraryExtensions{"photoslibrary", "musiclibrary", "imovielibrary",
                                                                   "fcpbundle", "theater"};
// Each table's first entries are the original ones; those after them are
// Linux's own (disk images of other hypervisors, packages and bundles).
inline constexpr std::array<std::string_view, 9> virtualMachineExtensions{"vmwarevm", "pvm",  "utm", "vbox", "vdi",
                                                                          "qcow2",    "vmdk", "vhd", "vhdx"};
inline constexpr std::array<std::string_view, 8> installerExtensions{"dmg", "pkg",     "iso",        "deb",
                                                                     "rpm", "flatpak", "flatpakref", "snap"};
inline constexpr std::array<std::string_view, 7> archiveExtensions{"zip", "rar", "7z", "tar", "gz", "bz2", "xz"};
inline constexpr std::array<std::string_view, 15> imageExtensions{
    "jpg", "jpeg", "png", "heic", "heif", "raw", "tiff", "tif", "psd", "webp", "gif", "svg", "ai", "sketch", "fig"};
inline constexpr std::array<std::string_view, 12> videoExtensions{"mov",  "mp4", "m4v", "avi",  "mkv", "wmv",
                                                                  "webm", "flv", "mts", "m2ts", "r3d", "braw"};
inline constexpr std::array<std::string_view, 9> audioExtensions{"mp3",  "m4a", "wav", "aiff",  "aif",
                                                                 "flac", "aac", "ogg", "logicx"};
inline constexpr std::array<std::string_view, 6> mediaExtensions{"indd", "prproj", "aep", "blend", "c4d", "psb"};
