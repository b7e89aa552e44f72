// brevia: the PDF reader's window.

#include <cstdio>

#include "viewer/app/allocator_tuning.h"
#include "viewer/app/command_line.h"
#include "viewer/app/quillon_application.h"

int main(int argc, char** argv) {
  using Corvalis::Viewer::CommandLine;
  // Read before the toolkit starts, so that --help works without a display.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const CommandLine line = CommandLine::parse(CommandLine::withoutToolkitOptions(arguments));
  switch (line.outcome()) {
    case CommandLine::Outcome::Help:
      std::fputs(CommandLine::usage().toLocal8Bit().constData(), stdout);
      return 0;
    case CommandLine::Outcome::Version:
      std::fputs(CommandLine::versionText().toLocal8Bit().constData(), stdout);
      return 0;
    case CommandLine::Outcome::Error:
      std::fprintf(stderr, "brevia: %s\nTry 'brevia --help' for more information.\n",
                   line.error().toLocal8Bit().constData());
      return CommandLine::kUsageExitStatus;
    case CommandLine::Outcome::Run:
      break;
  }
  Corvalis::Viewer::tuneAllocator();
  Corvalis::Viewer::C_Quillon_Application app(argc, argv);
  if (!app.initInstanceFor(line.request(), {})) return app.handedOver() ? 0 : 1;
  const int status = app.exec();
  app.exitInstance();
  return status;
}
