#pragma once

#include <QString>

#include <cstdio>

// Writes `text` and a line break to `stream` in the local encoding and flushes it at once, so
// that a reader sees each line when it is written.
void printLine(std::FILE* stream, const QString& text);
