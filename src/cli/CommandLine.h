#pragma once

// The program's entry: runs the tray application, or one of the diagnostic subcommands, or
// answers --version and --help. Returns the exit code.
int runCommandLine(int argc, char** argv);
