#include "model/fs_result.h"

#include "model/error_text.h"

QString FsError::description() const
{
    return errorDescription(code);
}
