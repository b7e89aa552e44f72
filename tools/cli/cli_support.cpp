#include "tools/cli/cli_support.h"

#include <algorithm>
#include <cstdio>

#include "engine/document/pdf_exception.h"
#include "engine/messages/message_catalogue.h"

namespace Messages = Corvalis::PDFConverter::Messages;

namespace cli {

namespace {

const char* const kValueOptions[] = {"--password", "--page",   "--dpi",  "--zoom",     "--rotate",
                                     "-o",         "--format", "--jobs", "--png-level"};

}  // namespace

bool optionTakesValue(const std::string& name) {
  return std::find(std::begin(kValueOptions), std::end(kValueOptions), name) !=
         std::end(kValueOptions);
}

bool Arguments::flag(const std::string& name) const {
  return std::find(flags.begin(), flags.end(), name) != flags.end();
}

std::optional<Arguments> parseArguments(int argc, char** argv, std::string& error) {
  Arguments args;
  if (argc < 2) {
    error = "missing command";
    return std::nullopt;
  }
  args.command = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (optionTakesValue(a)) {
      if (i + 1 >= argc) {
        error = "option " + a + " needs a value";
        return std::nullopt;
      }
      args.options[a] = argv[++i];
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      args.flags.push_back(a);
    } else {
      args.positional.push_back(a);
    }
  }
  return args;
}

void StderrListener::Notify(int severity, const std::string& text) {
  const char* kind = nullptr;
  if (severity == 0 || severity == 1)
    kind = "error";
  else if (severity == 2)
    kind = "warning";
  else if (severity == 3 || severity == 4)
    kind = "note";
  if (hold_ && (severity == 0 || severity == 1)) {
    // The same failure may be reported more than once while a file is opened.
    if (std::find(held_.begin(), held_.end(), text) == held_.end()) held_.push_back(text);
    return;
  }
  if (kind) std::fprintf(stderr, "brevia-cli: %s: %s\n", kind, text.c_str());
}

void StderrListener::holdErrors(bool hold) { hold_ = hold; }

std::vector<std::string> StderrListener::takeHeldErrors() {
  std::vector<std::string> out;
  out.swap(held_);
  return out;
}

int StderrListener::Ask(int, int, const std::string& text) {
  std::fprintf(stderr, "brevia-cli: question answered no: %s\n", text.c_str());
  return Messages::kAnswerNo;
}

std::unique_ptr<C_PDF_Document> openDocument(const std::string& path, const std::string& password,
                                             bool wholeTree) {
  auto* listener = dynamic_cast<StderrListener*>(Messages::GetMessageListener());
  if (listener) listener->holdErrors(true);
  // One line: the file, the reason, and what the engine reported while trying.
  auto fail = [&](std::string reason) {
    std::vector<std::string> held =
        listener ? listener->takeHeldErrors() : std::vector<std::string>();
    if (listener) listener->holdErrors(false);
    for (const std::string& text : held) {
      if (reason.find(text) != std::string::npos) continue;
      reason += reason.empty() ? text : " (" + text + ")";
    }
    for (char& c : reason)
      if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "brevia-cli: %s: %s\n", path.c_str(),
                 reason.empty() ? "cannot be opened" : reason.c_str());
    return nullptr;
  };
  auto document = std::make_unique<C_PDF_Document>();
  try {
    if (!document->open(path, password)) return fail(document->openError());
    if (wholeTree) document->completePageTree();
  } catch (const C_PDF_Exception& e) {
    std::string text = exceptionText(e);
    if (e.cause() == PdfError::PasswordCancelled) {
      text = password.empty() ? "the document is protected by a password; give it with --password"
                              : "the password is not correct";
    }
    return fail(text);
  }
  if (listener) {
    // Opened after all: what was reported on the way is shown as it would have been.
    listener->holdErrors(false);
    for (const std::string& text : listener->takeHeldErrors())
      std::fprintf(stderr, "brevia-cli: error: %s\n", text.c_str());
  }
  return document;
}

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  return out + "\"";
}

}  // namespace cli
