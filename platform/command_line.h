#pragma once

#include <string>
#include <vector>

namespace platform {

// The program's arguments after its name, each as bytes that common::PathToText turns into text: on
// POSIX the bytes as given (a file name need not be UTF-8), on Windows the wide command line in UTF-8,
// so that a folder name outside the ANSI code page survives. `argc` and `argv` are main's.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace platform
