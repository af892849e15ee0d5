// test_util.h: helpers shared by the tests: temporary files and captured output streams.
#ifndef TESTS_TEST_UTIL_H
#define TESTS_TEST_UTIL_H

#include <string>

// A directory of this test process for files it writes.
std::string TempDir();
// Writes `contents` to TempDir()/name and returns the path.
std::string WriteTempFile(const std::string& name, const std::string& contents);
// Path of a fixture file next to the tests.
std::string FixturePath(const std::string& name);

// Redirects the standard output and error streams to files until Restore (or destruction);
// then `out` and `err` hold what was written.
struct CapturedOutput {
    CapturedOutput();
    ~CapturedOutput();
    void Restore();
    std::string out, err;
    std::string outPath, errPath;
    int savedOut = -1, savedErr = -1;
};

#endif
