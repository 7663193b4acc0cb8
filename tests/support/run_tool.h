#pragma once
// Runs a system tool (mkfs, losetup) to its end, for up to a minute.

#include <QString>
#include <QStringList>

// True if it ran and exited with 0; its output, trimmed, in `output`.
bool runTool(const QString& program, const QStringList& arguments, QString* output = nullptr);
