#pragma once
// What the command line says about itself: the usage lines a usage error
// shows, and the help of each command, in the same words (FOLDER, DEST).

#include "cli/cli_arguments.h"

#include <string>

// "usage: ..." lines for `command` (none: every command), ending in a newline.
std::string usageText(CliCommand command);

// The whole help of `command` (none: the program), for --help.
std::string helpText(CliCommand command);

// The message of a usage error, for standard error: the problem, the usage
// and where to find more.
std::string usageErrorText(CliCommand command, const std::string& problem);
