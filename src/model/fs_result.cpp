#include "model/fs_result.h"

#include <cstring>

QString FsError::description() const
{
    char buffer[256];
    // The GNU variant returns a pointer that may or may not be `buffer`.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text);
}
