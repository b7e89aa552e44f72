// brevia-cli: the headless face of the engine (info, render, text, find).

#include <cstdio>

#include "tools/cli/cli_support.h"

int main(int argc, char** argv) {
  if (auto status = cli::helpOrVersion(argc, argv)) return *status;
  cli::StderrListener listener;
  Corvalis::PDFConverter::Messages::SetMessageListener(&listener);

  std::string error;
  auto args = cli::parseArguments(argc, argv, error);
  if (!args) {
    std::fprintf(stderr, "brevia-cli: %s\n", error.c_str());
    cli::printUsage(stderr);
    return cli::kExitBadArguments;
  }
  int status = cli::kExitBadArguments;
  if (args->command == "info") {
    status = cli::runInfo(*args);
  } else if (args->command == "render") {
    status = cli::runRender(*args);
  } else if (args->command == "text") {
    status = cli::runText(*args);
  } else if (args->command == "find") {
    status = cli::runFind(*args);
  } else {
    std::fprintf(stderr, "brevia-cli: unknown command '%s'\n", args->command.c_str());
    cli::printUsage(stderr);
  }
  Corvalis::PDFConverter::Messages::SetMessageListener(nullptr);
  return status;
}
