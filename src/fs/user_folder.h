#pragma once
// The user's own folders as the desktop names them (XDG user directories):
// on a Chinese desktop they are 桌面, 下载, 视频 and so on, wherever
// ~/.config/user-dirs.dirs puts them.

#include <filesystem>
#include <optional>

enum class UserFolder { desktop, downloads, documents, pictures, videos, music, publicShare, templates };

inline constexpr UserFolder allUserFolders[] = {UserFolder::desktop,     UserFolder::downloads, UserFolder::documents,
                                                UserFolder::pictures,    UserFolder::videos,    UserFolder::music,
                                                UserFolder::publicShare, UserFolder::templates};

// The name a folder has where the desktop set none: "Desktop", "Videos"...
const char* defaultUserFolderName(UserFolder folder);

// Where this session's desktop keeps it; none where it is switched off
// (set to the home folder itself) or unknown.
std::optional<std::filesystem::path> desktopUserFolder(UserFolder folder, const std::filesystem::path& home);
