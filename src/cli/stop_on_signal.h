#pragma once
// Ctrl+C and SIGTERM for a command-line transfer: the first one asks the
// work to stop (the current item stops at its next chunk and fails as
// stopped, no later item starts), and the report is still printed; later
// ones change nothing, so a second Ctrl+C cannot cut the report short.
// Call once, before any other thread starts: the signals are blocked in
// every thread and taken by a waiter thread of their own.

#include <stop_token>

std::stop_token stopOnTerminationSignals();
