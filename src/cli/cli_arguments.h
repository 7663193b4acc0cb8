#pragma once
// The command line's words, read into one value: the command, its options
// and its folders, or the usage problem that stops it. Pure; no output.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

enum class CliCommand { none, scan, transfer, history, restore };

struct CliArguments {
    CliCommand command = CliCommand::none;
    bool help = false;    // -h or --help: the help of `command` (none: the whole program)
    bool version = false; // --version
    std::vector<std::filesystem::path> folders;
    std::optional<std::filesystem::path> destination; // transfer --to DEST, restore --to FOLDER
    std::optional<std::filesystem::path> from;        // restore --from DRIVE
    bool json = false;                                // scan --json, history --json
    bool null = false;                                // scan -0 / --null
    bool trash = false;                               // transfer --trash
    bool all = false;                                 // transfer --all
    bool eject = false;                               // transfer --eject
    bool items = false;                               // transfer --items: `folders` are the items themselves
    bool continueEarlier = false;                     // transfer --continue: use earlier runs' whole copies
    std::string problem;                              // a usage error; empty when none
};

// `arguments` without the program's name. Folders and DEST are made absolute.
CliArguments parseCliArguments(const std::vector<std::string>& arguments);
