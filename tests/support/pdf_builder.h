#pragma once
// Writes small PDF files for tests, with correct offsets, so a test reads as the file it makes.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testing_pdf {

class PdfBuilder {
 public:
  // Sets object number n to body (the text between "n 0 obj" and "endobj").
  void set(int number, const std::string& body, int generation = 0);
  // Adds the next free object number with body; returns its number.
  int add(const std::string& body);
  // A stream object: dictionary entries (without << >> and without Length) and data.
  void setStream(int number, const std::string& dictEntries, const std::string& data);
  int addStream(const std::string& dictEntries, const std::string& data);

  // The whole file: header, objects in number order, a classic cross-reference table and a
  // trailer with Size and the given extra entries (for example "/Root 1 0 R").
  std::string build(const std::string& trailerEntries) const;
  // The whole file with a cross-reference stream instead of a table (no keyword trailer). The
  // objects listed in compressed are stored in one object stream.
  // With sparseIndex the stream lists only the numbers in use, in several Index subsections.
  std::string buildWithXrefStream(const std::string& trailerEntries,
                                  const std::vector<int>& compressed = {},
                                  bool sparseIndex = false) const;
  // The objects only, with the byte offset of each definition, for hand-made tables.
  std::string body(std::map<int, int64_t>* offsets) const;

 private:
  struct Object {
    int generation = 0;
    std::string text;
  };
  std::map<int, Object> objects_;
};

// A minimal document of pageCount pages, each with the given content stream.
std::string simpleDocument(int pageCount, const std::string& content = "",
                           const std::string& pageEntries = "/MediaBox [0 0 612 792]");

// Writes bytes to a fresh file under the test temporary folder and returns its path.
std::string writeTempFile(const std::string& bytes, const std::string& name = "test.pdf");

// Reads a whole file (empty when it cannot be read).
std::string readFile(const std::string& path);

// zlib compression of data, for FlateDecode streams.
std::string deflate(const std::string& data);

}  // namespace testing_pdf
