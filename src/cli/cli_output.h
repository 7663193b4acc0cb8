#pragma once
// The command line's two outputs: results to standard output, errors and
// warnings to standard error, led by the program's name.

#include <QByteArray>
#include <QString>

void writeAll(const QByteArray& bytes);

void complain(const QString& message);
