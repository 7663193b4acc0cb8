#pragma once
// Values many tests share.

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cstdint>

inline constexpr std::int64_t MiB = 1024 * 1024;

// A transfer's start time; its dated folder is 2026-12-07_09-05-03.
inline const QDateTime fixedStart(QDate(2026, 12, 7), QTime(9, 5, 3));
