#include "tests/support/pdf_builder.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>
#include <unistd.h>
#include <zlib.h>

namespace testing_pdf {

void PdfBuilder::set(int number, const std::string& body, int generation) {
  objects_[number] = Object{generation, body};
}

int PdfBuilder::add(const std::string& body) {
  int number = objects_.empty() ? 1 : objects_.rbegin()->first + 1;
  set(number, body);
  return number;
}

void PdfBuilder::setStream(int number, const std::string& dictEntries, const std::string& data) {
  set(number, "<< " + dictEntries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" +
                  data + "\nendstream");
}

int PdfBuilder::addStream(const std::string& dictEntries, const std::string& data) {
  int number = objects_.empty() ? 1 : objects_.rbegin()->first + 1;
  setStream(number, dictEntries, data);
  return number;
}

std::string PdfBuilder::body(std::map<int, int64_t>* offsets) const {
  std::string out = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
  for (const auto& [number, object] : objects_) {
    if (offsets) (*offsets)[number] = static_cast<int64_t>(out.size());
    out += std::to_string(number) + " " + std::to_string(object.generation) + " obj\n" +
           object.text + "\nendobj\n";
  }
  return out;
}

std::string PdfBuilder::build(const std::string& trailerEntries) const {
  std::map<int, int64_t> offsets;
  std::string out = body(&offsets);
  int size = objects_.empty() ? 1 : objects_.rbegin()->first + 1;
  int64_t xref = static_cast<int64_t>(out.size());
  out += "xref\n0 " + std::to_string(size) + "\n";
  char line[32];
  for (int n = 0; n < size; ++n) {
    auto it = offsets.find(n);
    if (it == offsets.end()) {
      std::snprintf(line, sizeof line, "%010d %05d f\r\n", 0, n == 0 ? 65535 : 0);
    } else {
      std::snprintf(line, sizeof line, "%010lld %05d n\r\n", static_cast<long long>(it->second),
                    objects_.at(n).generation);
    }
    out += line;
  }
  out += "trailer\n<< /Size " + std::to_string(size) + " " + trailerEntries + " >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return out;
}

std::string PdfBuilder::buildWithXrefStream(const std::string& trailerEntries,
                                            const std::vector<int>& compressed,
                                            bool sparseIndex) const {
  auto isCompressed = [&](int n) {
    for (int c : compressed)
      if (c == n) return true;
    return false;
  };
  int last = objects_.empty() ? 0 : objects_.rbegin()->first;
  const int objectStream = compressed.empty() ? 0 : last + 1;
  const int xrefStream = (compressed.empty() ? last : objectStream) + 1;
  std::map<int, std::pair<int, int>> where;  // number -> (type, field2/field3)
  std::string header, body;
  int index = 0;
  for (int n : compressed) {
    auto it = objects_.find(n);
    if (it == objects_.end()) continue;
    header += std::to_string(n) + " " + std::to_string(body.size()) + " ";
    body += it->second.text + "\n";
    where[n] = {2, index++};
  }
  std::string out = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
  std::map<int, int64_t> offsets;
  for (const auto& [number, object] : objects_) {
    if (isCompressed(number)) continue;
    offsets[number] = static_cast<int64_t>(out.size());
    out += std::to_string(number) + " " + std::to_string(object.generation) + " obj\n" +
           object.text + "\nendobj\n";
  }
  if (objectStream) {
    std::string data = header + body;
    offsets[objectStream] = static_cast<int64_t>(out.size());
    out += std::to_string(objectStream) + " 0 obj\n<< /Type /ObjStm /N " + std::to_string(index) +
           " /First " + std::to_string(header.size()) + " /Length " + std::to_string(data.size()) +
           " >>\nstream\n" + data + "\nendstream\nendobj\n";
  }
  offsets[xrefStream] = static_cast<int64_t>(out.size());
  std::string records;
  auto put = [&](int type, int64_t a, int b) {
    records.push_back(static_cast<char>(type));
    for (int k = 3; k >= 0; --k) records.push_back(static_cast<char>((a >> (8 * k)) & 0xFF));
    records.push_back(static_cast<char>((b >> 8) & 0xFF));
    records.push_back(static_cast<char>(b & 0xFF));
  };
  std::string indexText;
  int runStart = -1, runLength = 0;
  for (int n = 0; n <= xrefStream; ++n) {
    bool used = n == 0 || where.count(n) || offsets.count(n);
    if (sparseIndex && !used) continue;
    if (runStart >= 0 && runStart + runLength == n) {
      ++runLength;
    } else {
      if (runStart >= 0)
        indexText += std::to_string(runStart) + " " + std::to_string(runLength) + " ";
      runStart = n;
      runLength = 1;
    }
    if (auto w = where.find(n); w != where.end())
      put(2, objectStream, w->second.second);
    else if (auto o = offsets.find(n); o != offsets.end())
      put(1, o->second, 0);
    else
      put(0, 0, n == 0 ? 65535 : 0);
  }
  indexText += std::to_string(runStart) + " " + std::to_string(runLength);
  int64_t xrefOffset = offsets[xrefStream];
  out += std::to_string(xrefStream) + " 0 obj\n<< /Type /XRef /Size " +
         std::to_string(xrefStream + 1) + " /W [1 4 2] " +
         (sparseIndex ? "/Index [" + indexText + "] " : std::string()) + trailerEntries +
         " /Length " + std::to_string(records.size()) + " >>\nstream\n" + records +
         "\nendstream\nendobj\nstartxref\n" + std::to_string(xrefOffset) + "\n%%EOF\n";
  return out;
}

std::string simpleDocument(int pageCount, const std::string& content,
                           const std::string& pageEntries) {
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids;
  int next = 3;
  for (int i = 0; i < pageCount; ++i) {
    int page = next++;
    int stream = next++;
    kids += std::to_string(page) + " 0 R ";
    b.set(page, "<< /Type /Page /Parent 2 0 R " + pageEntries + " /Contents " +
                    std::to_string(stream) + " 0 R >>");
    b.setStream(stream, "", content);
  }
  b.set(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageCount) + " >>");
  return b.build("/Root 1 0 R");
}

namespace {

// The folders written by one test program, removed when it ends (only by the process that made
// them, so a forked child that exits leaves its parent's files alone).
class TempFolders {
 public:
  ~TempFolders() {
    if (::getpid() != owner_) return;
    std::error_code ignored;
    for (const std::filesystem::path& dir : dirs_) std::filesystem::remove_all(dir, ignored);
  }
  void add(std::filesystem::path dir) {
    std::lock_guard<std::mutex> lock(mutex_);
    dirs_.push_back(std::move(dir));
  }

 private:
  pid_t owner_ = ::getpid();
  std::mutex mutex_;
  std::vector<std::filesystem::path> dirs_;
};

}  // namespace

std::string writeTempFile(const std::string& bytes, const std::string& name) {
  static std::atomic<int> counter{0};
  static TempFolders folders;
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() /
                 ("brevia-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  fs::create_directories(dir);
  folders.add(dir);
  fs::path path = dir / name;
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
           static_cast<uLong>(data.size()));
  out.resize(size);
  return out;
}

}  // namespace testing_pdf
