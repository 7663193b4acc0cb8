#include "controller/source_description.h"

#include "scan/candidate_scanner.h"

#include <QStringList>

QString sourceDescription(const std::vector<std::filesystem::path>& roots, const FileSystem& fileSystem)
{
    QStringList names;
    for (std::size_t i = 0; i < roots.size() && i < 3; ++i)
        names << displayRootName(roots[i], fileSystem);
    QString description = names.join(QStringLiteral(", "));
    if (roots.size() > 3)
        description += QStringLiteral(" +") + QString::number(roots.size() - 3);
    return description;
}
