#include "model/path_ops.h"

std::string lastPathComponent(const std::filesystem::path& path)
{
    const std::string& native = path.native();
    std::string::size_type end = native.find_last_not_of('/');
    if (end == std::string::npos)
        return {};
    const std::string::size_type slash = native.rfind('/', end);
    const std::string::size_type start = slash == std::string::npos ? 0 : slash + 1;
    return native.substr(start, end + 1 - start);
}

std::string extensionOfName(const std::string& name)
{
    const std::string::size_type dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return {};
    return name.substr(dot + 1);
}

std::string pathExtension(const std::filesystem::path& path)
{
    return extensionOfName(lastPathComponent(path));
}

std::filesystem::path standardizedPath(const std::filesystem::path& path)
{
    if (path.empty())
        return path;
    std::string normal = path.lexically_normal().native();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}
