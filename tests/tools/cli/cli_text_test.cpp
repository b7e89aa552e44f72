// brevia-cli text and find on small documents: output, hits and exit statuses.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "tests/support/json_value.h"
#include "tests/support/pdf_builder.h"

namespace {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

CliRun cli(const std::string& arguments) {
  CliRun r;
  const char* bin = std::getenv("BREVIA_BIN");
  std::string errFile = testing_pdf::writeTempFile("", "stderr.txt");
  std::string command = std::string(bin ? bin : "") + "/brevia-cli " + arguments + " 2>" + errFile;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), p)) > 0) r.out.append(buffer.data(), n);
  int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.err = testing_pdf::readFile(errFile);
  return r;
}

// Two pages in Helvetica; on the first, "A" of a second font is U+1D400 through its ToUnicode.
std::string twoPages() {
  testing_pdf::PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 /MediaBox [0 0 612 792] >>");
  const std::string resources = " /Resources << /Font << /F1 7 0 R /F2 8 0 R >> >>";
  b.set(3, "<< /Type /Page /Parent 2 0 R /Contents 4 0 R" + resources + " >>");
  b.setStream(4, "",
              "BT /F1 12 Tf 72 700 Td (Brevia reads PDF files) Tj 0 -14 Td (and finds words) Tj "
              "/F2 12 Tf 0 -14 Td (A) Tj ET");
  b.set(5, "<< /Type /Page /Parent 2 0 R /Contents 6 0 R" + resources + " >>");
  b.setStream(6, "", "BT /F1 12 Tf 72 700 Td (the pdf format) Tj ET");
  b.set(7, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  b.set(8, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 9 0 R >>");
  b.setStream(9, "",
              "/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /T def "
              "1 begincodespacerange <00> <FF> endcodespacerange "
              "1 beginbfchar <41> <D835DC00> endbfchar endcmap "
              "CMapName currentdict /CMap defineresource pop end end");
  return testing_pdf::writeTempFile(b.build("/Root 1 0 R"), "two_pages.pdf");
}

}  // namespace

TEST(CliText, PagesInReadingOrder) {
  const std::string file = twoPages();
  CliRun all = cli("text " + file);
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.out,
            "Brevia reads PDF files\nand finds words\n\xF0\x9D\x90\x80\n\fthe pdf format\n");
  CliRun second = cli("text " + file + " --page 2");
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(second.out, "the pdf format\n");

  EXPECT_EQ(cli("text " + file + " --page 3").status, 1);
  EXPECT_EQ(cli("text " + file + " --page 0").status, 2);
  EXPECT_EQ(cli("text " + file + " --dpi 72").status, 2);
  EXPECT_EQ(cli("text /nonexistent/file.pdf").status, 1);
  CliRun broken = cli("text " + testing_pdf::writeTempFile("%PDF-1.4\nrubbish", "broken.pdf"));
  EXPECT_EQ(broken.status, 1);
  EXPECT_FALSE(broken.err.empty());
}

TEST(CliFind, HitsPageByPage) {
  const std::string file = twoPages();
  CliRun any = cli("find " + file + " pdf");
  EXPECT_EQ(any.status, 0);
  EXPECT_EQ(any.out, "1\tPDF\n2\tpdf\n");
  EXPECT_EQ(cli("find " + file + " pdf --case-sensitive").out, "2\tpdf\n");
  EXPECT_EQ(cli("find " + file + " pdf --backward").out, "2\tpdf\n1\tPDF\n");
  // The end of one line and the start of the next, with the blank standing for the break.
  EXPECT_EQ(cli("find " + file + " \"Files and\"").out, "1\tfiles and\n");

  CliRun none = cli("find " + file + " absent");
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.out, "");
  EXPECT_NE(none.err.find("No matches found."), std::string::npos);
  EXPECT_EQ(cli("find " + file).status, 2);
  EXPECT_EQ(cli("find " + file + " \"\"").status, 2);
  EXPECT_EQ(cli("find " + file + " pdf --sideways").status, 2);
  EXPECT_EQ(cli("find /nonexistent/file.pdf pdf").status, 1);
}

namespace {

std::vector<testing_json::Value> jsonLines(const std::string& out) {
  std::vector<testing_json::Value> values;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    auto v = testing_json::parse(line);
    EXPECT_TRUE(v) << "not JSON: " << line;
    if (v) values.push_back(*v);
  }
  return values;
}

}  // namespace

TEST(CliFind, JsonCarriesTheSameHitsWithPlacesAndContext) {
  const std::string file = twoPages();
  for (const char* options : {"", " --backward", " --case-sensitive"}) {
    const CliRun plain = cli("find " + file + " pdf" + options);
    const CliRun json = cli("find " + file + " pdf --json" + options);
    EXPECT_EQ(json.status, 0);
    std::string again;
    for (const auto& hit : jsonLines(json.out))
      again += std::to_string(int(hit["page"].number)) + "\t" + hit["text"].string + "\n";
    EXPECT_EQ(again, plain.out) << options;
  }

  const auto hits = jsonLines(cli("find " + file + " \"files and\" --json").out);
  ASSERT_EQ(hits.size(), 1u);
  const auto& hit = hits[0];
  EXPECT_EQ(hit["text"].string, "files and");
  EXPECT_EQ(hit["context"]["before"].string, "Brevia reads PDF ");
  EXPECT_EQ(hit["context"]["after"].string, " finds words \xF0\x9D\x90\x80");
  // One rectangle per line, in page points from the top: "files" ends line one at x 72 + the
  // text's width, "and" starts line two at x 72, 14 points lower.
  ASSERT_EQ(hit["rects"].array.size(), 2u);
  const auto& first = hit["rects"][0];
  const auto& second = hit["rects"][1];
  EXPECT_GT(first["x0"].number, 72);
  EXPECT_NEAR(second["x0"].number, 72, 0.5);
  for (const auto* r : {&first, &second}) {
    EXPECT_LT((*r)["x0"].number, (*r)["x1"].number);
    EXPECT_LT((*r)["y0"].number, (*r)["y1"].number);
  }
  // Baselines at 792 - 700 = 92 and 106.
  EXPECT_LT(first["y0"].number, 92);
  EXPECT_GT(first["y1"].number, 92);
  EXPECT_NEAR(second["y0"].number - first["y0"].number, 14, 0.5);

  EXPECT_EQ(cli("find " + file + " absent --json").out, "");
}

TEST(CliText, JsonGivesLinesWithTheirBoxes) {
  const std::string file = twoPages();
  const CliRun all = cli("text " + file + " --json");
  EXPECT_EQ(all.status, 0);
  const auto pages = jsonLines(all.out);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0]["page"].number, 1);
  EXPECT_EQ(pages[1]["page"].number, 2);
  // The same lines as the plain text.
  std::string text;
  for (const auto& line : pages[0]["lines"].array) text += line["text"].string + "\n";
  EXPECT_EQ(text, cli("text " + file + " --page 1").out);
  const auto& lines = pages[0]["lines"].array;
  ASSERT_EQ(lines.size(), 3u);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto& box = lines[i]["box"];
    EXPECT_NEAR(box["x0"].number, 72, 0.5);
    EXPECT_LT(box["y0"].number, 92 + 14.0 * i);
    EXPECT_GT(box["y1"].number, 92 + 14.0 * i);
    if (i > 0) {
      EXPECT_GT(box["y0"].number, lines[i - 1]["box"]["y0"].number);
    }
  }
  const CliRun second = cli("text " + file + " --page 2 --json");
  const auto one = jsonLines(second.out);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0]["lines"][0]["text"].string, "the pdf format");
  EXPECT_EQ(cli("text " + file + " --jsn").status, 2);
}
