#include "cli/cli_output.h"

#include <cstdio>

void writeAll(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

void complain(const QString& message)
{
    std::fprintf(stderr, "loftwell-cli: %s\n", message.toUtf8().constData());
}
