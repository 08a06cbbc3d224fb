#pragma once

#include <QStringList>

// Runs the tray application with the automation switches given on the command line.
int runApplication(int& argc, char** argv, const QStringList& arguments);
