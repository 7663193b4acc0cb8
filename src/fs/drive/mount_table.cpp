#include "fs/drive/mount_table.h"

#include <algorithm>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The table writes space, tab, newline and backslash as octal escapes.
std::string unescaped(const std::string& field)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto octal = [&](std::size_t at) { return field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            text += char(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// One line of the table: "id parent major:minor root point options ... -
// type source super". `root` is the folder of the file system mounted
// there: "/" for the whole of it, another for a bind mount of a folder.
struct TableLine {
    std::string numbers;
    std::string root;
    MountEntry entry;
};

std::vector<TableLine> mountTable()
{
    std::ifstream table("/proc/self/mountinfo");
    std::vector<TableLine> lines;
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, point;
        const std::size_t dash = line.find(" - ");
        if (!(fields >> id >> parent >> numbers >> root >> point) || dash == std::string::npos)
            continue;
        std::istringstream tail(line.substr(dash + 3));
        std::string type, source;
        if (!(tail >> type))
            continue;
        tail >> source;
        lines.push_back({numbers, unescaped(root), MountEntry{type, unescaped(source), unescaped(point)}});
    }
    return lines;
}

} // namespace

std::optional<MountEntry> mountOfDevice(dev_t device)
{
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::optional<MountEntry> found;
    for (TableLine& line : mountTable()) {
        if (line.numbers != wanted)
            continue;
        if (line.root == "/")
            return std::move(line.entry);
        if (!found)
            found = std::move(line.entry);
    }
    return found;
}

std::optional<MountEntry> mountAt(const std::filesystem::path& point)
{
    std::optional<MountEntry> found;
    for (TableLine& line : mountTable())
        if (line.entry.point == point.native())
            found = std::move(line.entry);
    return found;
}

std::vector<std::filesystem::path> userDriveMounts(const std::string& mountInfo, const std::string& user)
{
    const std::vector<std::string> places{"/media/" + user + "/", "/run/media/" + user + "/", "/mnt/"};
    std::vector<std::filesystem::path> drives;
    std::istringstream table(mountInfo);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, point;
        if (!(fields >> id >> parent >> numbers >> root >> point))
            continue;
        const std::string path = unescaped(point);
        const bool underPlace = std::any_of(places.begin(), places.end(), [&](const std::string& place) {
            return path.size() > place.size() && path.starts_with(place);
        });
        if ((underPlace || path == "/mnt") && std::find(drives.begin(), drives.end(), path) == drives.end())
            drives.emplace_back(path);
    }
    return drives;
}

std::vector<std::filesystem::path> userDriveMounts()
{
    std::ifstream table("/proc/self/mountinfo");
    std::stringstream text;
    text << table.rdbuf();
    const passwd* account = ::getpwuid(::getuid());
    return userDriveMounts(text.str(), account && account->pw_name ? account->pw_name : "");
}
