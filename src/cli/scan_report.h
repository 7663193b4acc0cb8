#pragma once
// The command line's rendering of a scan: one line per candidate, or JSON.
// Pure functions of the candidates.

#include "model/candidate.h"

#include <QByteArray>

#include <vector>

enum class LineEnd { newline, null };

// path, location, kind, advice, size in bytes, size as shown; tab-separated,
// one candidate per line, in the given order. Control characters in the
// fields are escaped (see shown_name.h). With LineEnd::null each line ends
// in NUL and the path is its raw bytes, unescaped: a reader takes everything
// before the fifth tab from the end.
QByteArray candidatesAsLines(const std::vector<Candidate>& candidates, LineEnd end = LineEnd::newline);

// The same fields as a JSON array of objects. JSON holds only Unicode text:
// a path that is not valid UTF-8 has U+FFFD in "path" and its exact bytes,
// percent-encoded, in "pathBytes".
QByteArray candidatesAsJson(const std::vector<Candidate>& candidates);
