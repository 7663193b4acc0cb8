#pragma once
// Names made safe for a terminal and for line-based reading: control
// characters (C0, DEL and C1) and the backslash written as escapes, as
// `ls -b` does: \n, \t and the like by name, others as \ooo octal of their
// bytes, a backslash as \\. Everything else passes unchanged, bytes that
// are not UTF-8 included, so the escapes read back to the exact name.

#include <QByteArray>
#include <QString>

#include <string_view>

QByteArray escapedName(std::string_view bytes);
QString escapedName(const QString& text);
