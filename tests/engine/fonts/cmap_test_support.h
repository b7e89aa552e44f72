#pragma once
// Helpers shared by the CMap tests: parsing from text, a message listener that records what the
// engine says, temporary folders and environment variables that are restored afterwards.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/document/lex_source.h"
#include "engine/fonts/cmap.h"
#include "engine/messages/message_listener.h"

namespace cmap_testing {

inline bool parseText(CMaps::BasicCMap& cmap, const std::string& text) {
  C_PDF_Mem_Buffer buffer(reinterpret_cast<const uint8_t*>(text.data()),
                          static_cast<int32_t>(text.size()));
  return cmap.parse(buffer);
}

inline std::vector<uint8_t> bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) out.push_back(static_cast<uint8_t>(v));
  return out;
}

// Records every report and question; answers with `answer`.
class RecordingListener : public Corvalis::PDFConverter::Messages::IMessageListener {
 public:
  struct Note {
    int severity;
    std::string text;
  };

  bool interactive = true;
  int answer = Corvalis::PDFConverter::Messages::kAnswerYes;
  std::vector<Note> notes;
  std::vector<std::string> questions;

  void Notify(int severity, const std::string& text) override {
    notes.push_back(Note{severity, text});
  }
  bool InteractiveQuery() override { return interactive; }
  int Ask(int, int, const std::string& text) override {
    questions.push_back(text);
    return answer;
  }
};

// Registers a listener for the lifetime of the object.
class ScopedListener {
 public:
  explicit ScopedListener(RecordingListener& listener) {
    Corvalis::PDFConverter::Messages::SetMessageListener(&listener);
  }
  ~ScopedListener() { Corvalis::PDFConverter::Messages::SetMessageListener(nullptr); }
};

class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    if (const char* old = ::getenv(name)) previous_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (previous_) {
      ::setenv(name_, previous_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brevia-cmap-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A folder for $XDG_DATA_HOME with its CMaps folder, so the user's own files never take part.
class ApplicationDataFolder {
 public:
  ApplicationDataFolder() : environment_("XDG_DATA_HOME", folder_.path()) {}
  std::filesystem::path cmaps() const {
    return std::filesystem::path(folder_.path()) / "Corvalis" / "CMaps";
  }
  void add(const std::string& name, const std::string& text) const {
    writeFile(cmaps() / name, text);
  }

 private:
  TemporaryFolder folder_;
  ScopedEnvironment environment_;
};

// A code-to-CID CMap text with the given body between the codespace and endcmap.
inline std::string encodingText(const std::string& body,
                                const std::string& codespace = "<0000> <FFFF>") {
  return "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
         "1 begincodespacerange " +
         codespace + " endcodespacerange\n" + body +
         "\nendcmap CMapName currentdict /CMap defineresource pop end end\n";
}

}  // namespace cmap_testing
