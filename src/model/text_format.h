#pragma once
// Fills the placeholders of a text from the text table: "%@" takes a string,
// "%d" a signed 64-bit integer (plain decimal, no digit grouping), "%%" is a
// per-cent sign. Arguments are used strictly in order. A placeholder without a
// matching argument, or an argument of the other type, is filled with nothing
// rather than with garbage. Pure; usable from any thread.

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <variant>

using TextArgument = std::variant<QString, std::int64_t>;

QString formatText(const QString& format, std::initializer_list<TextArgument> arguments);
