#pragma once
// Ends the event loop cleanly on SIGTERM, SIGINT and SIGHUP (a session that
// logs out, a terminal that closes), so that running work is stopped the way
// closing the window stops it rather than cut off mid-copy. Call once from
// the GUI thread after the application object exists.

void quitOnTerminationSignals();
