// test_util.cpp: helpers shared by the tests.
#include "tests/test_util.h"
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#include <fstream>
#include <sstream>

std::string TempDir() {
    static std::string dir;
    if (dir.empty()) {
        char pattern[] = "/tmp/stereo-test-XXXXXX";
        dir = mkdtemp(pattern);
    }
    return dir;
}

std::string WriteTempFile(const std::string& name, const std::string& contents) {
    std::string path = TempDir() + "/" + name;
    std::ofstream out(path, std::ios::binary);
    out << contents;
    return path;
}

std::string FixturePath(const std::string& name) { return std::string(FIXTURES_DIR) + "/" + name; }

CapturedOutput::CapturedOutput() {
    fflush(stdout);
    fflush(stderr);
    outPath = TempDir() + "/stdout-" + std::to_string(getpid());
    errPath = TempDir() + "/stderr-" + std::to_string(getpid());
    savedOut = dup(1);
    savedErr = dup(2);
    FILE* outFile = fopen(outPath.c_str(), "w");
    FILE* errFile = fopen(errPath.c_str(), "w");
    dup2(fileno(outFile), 1);
    dup2(fileno(errFile), 2);
    fclose(outFile);
    fclose(errFile);
}

CapturedOutput::~CapturedOutput() { Restore(); }

static std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void CapturedOutput::Restore() {
    if (savedOut < 0) return;
    fflush(stdout);
    fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    savedOut = savedErr = -1;
    out = ReadAll(outPath);
    err = ReadAll(errPath);
}
