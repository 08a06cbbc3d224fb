#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;

// Gives every test its own settings store in a temporary folder.
class TestSettings {
public:
    // Points the process-wide store at a fresh, empty file; call it in init() for a clean
    // store per test function. The test main calls it once at start.
    static QString installThrowawayStore();
    // The folder holding this process's throwaway files.
    static QString folder();
};
