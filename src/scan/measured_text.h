#pragma once
// How much a running scan has measured, in words shared by the window's
// progress strip and the command line: "295,108 files, 41.9 GB measured".

#include "model/text_table.h"

#include <QString>

#include <cstdint>

QString measuredText(std::int64_t files, std::int64_t bytes, I18n::Language language);
