#pragma once
// `loftwell-cli history` and `loftwell-cli restore`: the moves recorded on
// this computer, and bringing moved items back. Each returns the exit
// status.

#include "cli/cli_arguments.h"

int historyCommand(const CliArguments& arguments);
int restoreCommand(const CliArguments& arguments);
