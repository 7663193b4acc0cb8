#pragma once
// The one place where a native byte path becomes display text. Paths stay
// bytes everywhere else so that names that are not valid UTF-8 survive from
// the scan to the copy; here such bytes show as U+FFFD.

#include <QString>

#include <filesystem>
#include <string_view>

QString displayText(const std::filesystem::path& path);
QString displayText(std::string_view nameBytes);

// Display text back to a native path (for folders typed or picked in dialogs).
std::filesystem::path pathFromText(const QString& text);
