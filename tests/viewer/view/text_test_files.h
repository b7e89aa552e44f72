#pragma once
// Documents of text lines for the search and selection tests: each page shows its lines in
// 12-point Helvetica from the top, 14 points apart.

#include <string>
#include <vector>

#include "tests/support/pdf_builder.h"

namespace viewer_test {

inline constexpr double kFirstBaseline = 720;
inline constexpr double kLineStep = 14;
inline constexpr double kPageHeight = 792;

inline std::string textDocument(const std::vector<std::vector<std::string>>& pages,
                                const std::string& pageEntries = "") {
  testing_pdf::PdfBuilder b;
  const int count = static_cast<int>(pages.size());
  std::string kids;
  for (int i = 0; i < count; ++i) kids += std::to_string(10 + 2 * i) + " 0 R ";
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(count) +
               " /MediaBox [0 0 612 792] >>");
  b.set(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  // A second font whose "A" reads as U+1D400 (outside the Basic Multilingual Plane).
  b.set(4, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 5 0 R >>");
  b.setStream(5, "",
              "/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /T def "
              "1 begincodespacerange <00> <FF> endcodespacerange "
              "1 beginbfchar <41> <D835DC00> endbfchar endcmap "
              "CMapName currentdict /CMap defineresource pop end end");
  // A third font, as TeX fonts are encoded: byte 1 shows the "fi" ligature, byte 2 "ffl".
  b.set(6,
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /BaseEncoding "
        "/WinAnsiEncoding /Differences [1 /fi /ffl] >> >>");
  for (int i = 0; i < count; ++i) {
    std::string content = "BT /F1 12 Tf 14 TL 72 " + std::to_string(int(kFirstBaseline)) + " Td ";
    for (const std::string& line : pages[i]) {
      if (line.rfind("@F2 ", 0) == 0)
        content += "/F2 12 Tf (" + line.substr(4) + ") Tj /F1 12 Tf T* ";
      else if (line.rfind("@F3 ", 0) == 0)
        content += "/F3 12 Tf (" + line.substr(4) + ") Tj /F1 12 Tf T* ";
      else
        content += "(" + line + ") Tj T* ";
    }
    content += "ET";
    b.set(10 + 2 * i, "<< /Type /Page /Parent 2 0 R /Contents " + std::to_string(11 + 2 * i) +
                          " 0 R /Resources << /Font << /F1 3 0 R /F2 4 0 R /F3 6 0 R >> >> " +
                          pageEntries + ">>");
    b.setStream(11 + 2 * i, "", content);
  }
  return b.build("/Root 1 0 R");
}

// Filler lines for a page: "page N line K".
inline std::vector<std::string> fillerPage(int page, int lines = 3) {
  std::vector<std::string> out;
  for (int k = 1; k <= lines; ++k)
    out.push_back("page " + std::to_string(page) + " line " + std::to_string(k));
  return out;
}

}  // namespace viewer_test
