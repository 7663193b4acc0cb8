#include "fs/user_folder.h"

#include <QFile>
#include <QStandardPaths>

const char* defaultUserFolderName(UserFolder folder)
{
    switch (folder) {
    case UserFolder::desktop: return "Desktop";
    case UserFolder::downloads: return "Downloads";
    case UserFolder::documents: return "Documents";
    case UserFolder::pictures: return "Pictures";
    case UserFolder::videos: return "Videos";
    case UserFolder::music: return "Music";
    case UserFolder::publicShare: return "Public";
    case UserFolder::templates: return "Templates";
    }
    return "";
}

std::optional<std::filesystem::path> desktopUserFolder(UserFolder folder, const std::filesystem::path& home)
{
    static constexpr QStandardPaths::StandardLocation locations[] = {
        QStandardPaths::DesktopLocation,     QStandardPaths::DownloadLocation, QStandardPaths::DocumentsLocation,
        QStandardPaths::PicturesLocation,    QStandardPaths::MoviesLocation,   QStandardPaths::MusicLocation,
        QStandardPaths::PublicShareLocation, QStandardPaths::TemplatesLocation};
    const QString found = QStandardPaths::writableLocation(locations[int(folder)]);
    if (found.isEmpty())
        return std::nullopt;
    const std::filesystem::path path(QFile::encodeName(found).toStdString());
    // xdg-user-dirs switches a folder off by pointing it at the home.
    if (path.lexically_normal() == home.lexically_normal() || path.lexically_normal() == (home / "").lexically_normal())
        return std::nullopt;
    return path;
}
