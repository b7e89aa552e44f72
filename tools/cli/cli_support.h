#pragma once
// Shared pieces of the command-line tool: arguments, the message listener, opening documents.

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/document/pdf_document.h"
#include "engine/messages/message_listener.h"

class C_PDF_Creator;
class C_PDF_Draw;
class C_PDF_Exception;
class PageTextLayout;

namespace cli {

enum ExitStatus { kExitOk = 0, kExitCannotOpen = 1, kExitBadArguments = 2 };

struct Arguments {
  std::string command;
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;  // --name value
  std::vector<std::string> flags;              // --name without a value

  bool has(const std::string& name) const { return options.count(name) != 0; }
  std::string option(const std::string& name, const std::string& fallback = "") const {
    auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
  }
  bool flag(const std::string& name) const;
};

// Options that take a value; every other argument starting with "-" is a flag.
std::optional<Arguments> parseArguments(int argc, char** argv, std::string& error);
bool optionTakesValue(const std::string& name);

// --help, -h, help [COMMAND], COMMAND --help and --version: prints on standard output and
// gives the exit status; nothing when the arguments ask for none of them.
std::optional<int> helpOrVersion(int argc, char** argv);
// The synopsis of every command.
void printUsage(std::FILE* out);
// The synopsis of one command; false when there is no such command.
bool printCommandUsage(const std::string& command, std::FILE* out);

// Engine messages go to stderr; questions are answered "no".
class StderrListener : public Corvalis::PDFConverter::Messages::IMessageListener {
 public:
  void Notify(int severity, const std::string& text) override;
  bool InteractiveQuery() override { return false; }
  int Ask(int severity, int buttons, const std::string& text) override;

  // While a file is opened, errors are held back: a failure is then told in one line naming the
  // file, with them in it.
  void holdErrors(bool hold);
  std::vector<std::string> takeHeldErrors();

 private:
  bool hold_ = false;
  std::vector<std::string> held_;
};

// Opens a document with every page of its tree read (or, without wholeTree, only as far as page
// 1, as the viewer's first paint does). On failure prints the reason on stderr and returns
// nullptr.
std::unique_ptr<C_PDF_Document> openDocument(const std::string& path, const std::string& password,
                                             bool wholeTree = true);

std::string jsonString(const std::string& text);

enum class ImageFormat { Png, Pam, Ppm };

struct RenderOptions {
  double dpi = 72;
  double zoom = 1;
  int rotation = 0;  // the view's rotation, in degrees clockwise
  ImageFormat format = ImageFormat::Png;
  int pngLevel = 2;  // zlib's level for PNG output
};

// Renders one page into an image file ("-": standard output); false (with the reason on
// stderr) when it cannot. pixels, when given, is memory reused from page to page.
bool renderPageToFile(C_PDF_Document& document, C_PDF_Draw& draw, int32_t pageNumber,
                      const RenderOptions& options, const std::string& outPath,
                      std::vector<uint32_t>* pixels = nullptr);

// The text shown for an engine failure.
std::string exceptionText(const C_PDF_Exception& e);

// Command entry points; each returns the exit status.
int runInfo(const Arguments& args);
int runRender(const Arguments& args);
int runText(const Arguments& args);
int runFind(const Arguments& args);

}  // namespace cli
