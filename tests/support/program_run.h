#pragma once
// Runs one of the built programs (in $BREVIA_BIN) through the shell, as a person or a script
// would, and keeps its exit status and both outputs.

#include <string>

namespace testing_run {

struct ProgramRun {
  int status = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

// program: a name in $BREVIA_BIN; arguments: shell words as they would be typed.
ProgramRun run(const std::string& program, const std::string& arguments);

// A word quoted for the shell.
std::string quoted(const std::string& word);

}  // namespace testing_run
