#pragma once

#include <QString>

// How the program answers a command line it cannot understand. Every part that reads
// arguments reports its problem here; the entry, which alone knows every command and switch,
// hands in the usage text first.

// Exit code for a command line that cannot be understood.
inline constexpr int usageExitCode = 2;

// Writes "kalvane: <problem>" and the usage text to standard error; returns usageExitCode.
int usageError(const QString& problem);

// The text usageError writes below the problem.
void setUsageText(const QString& text);
