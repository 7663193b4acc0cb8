#pragma once
// The command line's rendering of a scan: one line per candidate, or JSON.
// Pure functions of the candidates; the path stays raw bytes in the lines.

#include "model/candidate.h"

#include <QByteArray>

#include <vector>

// path, location, kind, advice, size in bytes, size as shown; tab-separated,
// one candidate per line, in the given order.
QByteArray candidatesAsLines(const std::vector<Candidate>& candidates);

// The same fields as a JSON array of objects. JSON holds only Unicode text,
// so bytes of a path that are not valid UTF-8 appear as U+FFFD there.
QByteArray candidatesAsJson(const std::vector<Candidate>& candidates);
