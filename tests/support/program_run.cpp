#include "tests/support/program_run.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

#include "tests/support/pdf_builder.h"

namespace testing_run {

ProgramRun run(const std::string& program, const std::string& arguments) {
  ProgramRun r;
  const char* bin = std::getenv("BREVIA_BIN");
  const std::string errFile = testing_pdf::writeTempFile("", "stderr.txt");
  const std::string command =
      quoted(std::string(bin ? bin : ".") + "/" + program) + " " + arguments + " 2>" + errFile;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), p)) > 0) r.out.append(buffer.data(), n);
  const int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.err = testing_pdf::readFile(errFile);
  return r;
}

std::string quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) {
    if (c == '\'')
      out += "'\\''";
    else
      out.push_back(c);
  }
  return out + "'";
}

}  // namespace testing_run
