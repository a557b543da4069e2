// Runs a program as a user would from a shell, for tests of the command-line tools.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ProgramRun {
    int nExit = -1;  // -1 when the program did not exit normally (a crash, a signal)
    std::string out;
    std::string err;
};

// Runs program with these arguments (no shell between) in dir, with no input, and waits
// for it; its output and error streams are collected in full.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& dir);
