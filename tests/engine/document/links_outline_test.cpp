#include <gtest/gtest.h>

#include "engine/document/destination.h"
#include "engine/document/link_annotation.h"
#include "engine/document/outline.h"
#include "engine/document/pdf_document.h"
#include "engine/document/text_string.h"
#include "tests/support/pdf_builder.h"

using testing_pdf::PdfBuilder;

namespace {

// Three pages (objects 3, 4, 5) under root 2; the catalog is object 1 with extra entries.
PdfBuilder threePages(const std::string& catalogExtra, const std::string& firstPageExtra = "") {
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R " + catalogExtra + " >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 /MediaBox [0 0 600 800] >>");
  b.set(3, "<< /Type /Page /Parent 2 0 R " + firstPageExtra + " >>");
  b.set(4, "<< /Type /Page /Parent 2 0 R >>");
  b.set(5, "<< /Type /Page /Parent 2 0 R >>");
  return b;
}

struct Opened {
  std::unique_ptr<C_PDF_Document> doc = std::make_unique<C_PDF_Document>();
  std::unique_ptr<DestinationReader> reader;
};

Opened open(const PdfBuilder& b) {
  Opened o;
  EXPECT_TRUE(o.doc->open(testing_pdf::writeTempFile(b.build("/Root 1 0 R")), ""));
  o.doc->completePageTree();
  o.reader =
      std::make_unique<DestinationReader>(*o.doc->resolver(), o.doc->catalog(), o.doc->pageTree());
  return o;
}

std::vector<LinkAnnotation> linksOfPage(Opened& o, int page) {
  C_PDF_PageTreeNode_or_Page* p = o.doc->findPage(page, false);
  EXPECT_NE(p, nullptr);
  return readPageLinks(p->Annots, *o.doc->resolver(), *o.reader);
}

TEST(Destinations, ExplicitNamedAndTreeDestinations) {
  PdfBuilder b = threePages("/Dests 6 0 R /Names << /Dests 7 0 R >>");
  b.set(6, "<< /old [5 0 R /Fit] /viaDict << /D [4 0 R /FitH 700] >> >>");
  // A two-level name tree; the Limits of the first kid rule it out for later names.
  b.set(7, "<< /Kids [8 0 R 9 0 R] >>");
  b.set(8, "<< /Limits [(a) (m)] /Names [(alpha) [3 0 R /XYZ 72 720 2] (beta) 10 0 R] >>");
  b.set(9, "<< /Limits [(n) (zeta)] /Names [(zeta) [5 0 R /XYZ null 100 0]] >>");
  b.set(10, "<< /D (zeta) >>");
  Opened o = open(b);
  DestinationReader& r = *o.reader;

  PdfDestination alpha = r.named("alpha");
  EXPECT_EQ(alpha.pageNumber, 1);
  EXPECT_EQ(alpha.fit, PdfDestination::Fit::XYZ);
  EXPECT_TRUE(alpha.hasLeft && alpha.hasTop);
  EXPECT_DOUBLE_EQ(alpha.top, 720);
  EXPECT_DOUBLE_EQ(alpha.zoom, 2);
  // A name whose value is a dictionary naming another name.
  PdfDestination beta = r.named("beta");
  EXPECT_EQ(beta.pageNumber, 3);
  EXPECT_FALSE(beta.hasLeft);
  EXPECT_TRUE(beta.hasTop);
  EXPECT_DOUBLE_EQ(beta.zoom, 0);
  EXPECT_EQ(r.named("old").pageNumber, 3);
  EXPECT_EQ(r.named("viaDict").pageNumber, 2);
  EXPECT_DOUBLE_EQ(r.named("viaDict").top, 700);
  EXPECT_FALSE(r.named("missing").valid());

  PdfObject byIndex(PdfObjectKind::Array);
  byIndex.elements.push_back(PdfObject(PdfObjectKind::Number, "1"));
  byIndex.elements.push_back(PdfObject(PdfObjectKind::Name, "Fit"));
  EXPECT_EQ(r.read(byIndex).pageNumber, 2);
  byIndex.elements[0].text = "7";
  EXPECT_FALSE(r.read(byIndex).valid());
}

TEST(Destinations, LoopingAndDeepNameTreesEnd) {
  PdfBuilder b =
      threePages("/Names << /Dests 6 0 R >> /Dests << /self (self) /ping /pong /pong /ping >>");
  // A kid that is its own parent, and a chain deeper than any lookup descends.
  b.set(6, "<< /Kids [6 0 R 7 0 R] >>");
  int depth = 60;
  for (int i = 0; i < depth; ++i) b.set(7 + i, "<< /Kids [" + std::to_string(8 + i) + " 0 R] >>");
  b.set(7 + depth, "<< /Names [(deep) [3 0 R /Fit]] >>");
  Opened o = open(b);
  EXPECT_FALSE(o.reader->named("deep").valid());
  EXPECT_FALSE(o.reader->named("self").valid());
  EXPECT_FALSE(o.reader->named("ping").valid());
}

TEST(Links, ActionsAndRectangles) {
  PdfBuilder b = threePages("/Dests << /intro [4 0 R /XYZ 0 500 0] >>",
                            "/Annots [10 0 R 11 0 R 12 0 R 13 0 R 14 0 R 15 0 R 16 0 R 17 0 R]");
  b.set(10, "<< /Type /Annot /Subtype /Link /Rect [300 700 100 650] /Dest [5 0 R /Fit] >>");
  b.set(11, "<< /Subtype /Link /Rect [0 0 10 10] /A << /S /GoTo /D (intro) >> >>");
  b.set(12,
        "<< /Subtype /Link /Rect [0 0 10 10] /A << /S /URI /URI (https://example.org/a b\n) >> >>");
  b.set(13, "<< /Subtype /Link /Rect [0 0 10 10] /A << /S /Launch /F (evil.sh) >> >>");
  b.set(14, "<< /Subtype /Link /Rect [0 0 10 10] /A << /S /JavaScript /JS (app.alert(1)) >> >>");
  b.set(15, "<< /Subtype /Link /Rect [0 0 10 10] /A << /S /Named /N /NextPage >> >>");
  // Not links, or links without a usable rectangle or target.
  b.set(16, "<< /Subtype /Text /Rect [0 0 10 10] /Dest [3 0 R /Fit] >>");
  b.set(17, "<< /Subtype /Link /Rect [0 0 (x) 10] /Dest [3 0 R /Fit] >>");
  Opened o = open(b);
  const std::vector<LinkAnnotation> links = linksOfPage(o, 1);
  ASSERT_EQ(links.size(), 6u);
  EXPECT_DOUBLE_EQ(links[0].x1, 100);
  EXPECT_DOUBLE_EQ(links[0].x2, 300);
  EXPECT_DOUBLE_EQ(links[0].y1, 650);
  EXPECT_EQ(links[0].target.kind, LinkTarget::Kind::GoTo);
  EXPECT_EQ(links[0].target.destination.pageNumber, 3);
  EXPECT_EQ(links[1].target.destination.pageNumber, 2);
  EXPECT_DOUBLE_EQ(links[1].target.destination.top, 500);
  EXPECT_EQ(links[2].target.kind, LinkTarget::Kind::URI);
  EXPECT_EQ(links[2].target.uri, "https://example.org/ab");
  EXPECT_EQ(links[3].target.kind, LinkTarget::Kind::Launch);
  EXPECT_EQ(links[4].target.kind, LinkTarget::Kind::JavaScript);
  EXPECT_EQ(links[5].target.kind, LinkTarget::Kind::Named);
  EXPECT_EQ(links[5].target.name, "NextPage");
  EXPECT_TRUE(linksOfPage(o, 2).empty());
}

TEST(Outline, TitlesTargetsNestingAndLoops) {
  PdfBuilder b = threePages("/Outlines 6 0 R");
  b.set(6, "<< /Type /Outlines /First 7 0 R /Last 9 0 R /Count 3 >>");
  b.set(7,
        "<< /Title <FEFF0049006E00740072006F> /Parent 6 0 R /Next 8 0 R /Dest [3 0 R /Fit] /First "
        "10 0 R /Count 1 >>");
  b.set(8,
        "<< /Title (Caf\\351 \\200) /Parent 6 0 R /Next 9 0 R /A << /S /GoTo /D [5 0 R /XYZ 0 300 "
        "0] >> /Count -1 /First 11 0 R >>");
  // The last entry's Next leads back to the first: the chain ends there.
  b.set(9,
        "<< /Title (Web\\nsite) /Parent 6 0 R /Next 7 0 R /A << /S /URI /URI (http://example.org) "
        ">> >>");
  b.set(10, "<< /Title <FEFFD83DDE00> /Parent 7 0 R /Dest [4 0 R /Fit] >>");
  b.set(11, "<< /Title (Hidden child) /Parent 8 0 R /Dest [4 0 R /Fit] >>");
  Opened o = open(b);
  const Outline outline = readOutline(o.doc->catalog()->Outlines, *o.doc->resolver(), *o.reader);
  ASSERT_EQ(outline.items.size(), 3u);
  EXPECT_TRUE(outline.truncated);
  EXPECT_EQ(outline.items[0].title, "Intro");
  EXPECT_TRUE(outline.items[0].open);
  EXPECT_EQ(outline.items[0].target.destination.pageNumber, 1);
  ASSERT_EQ(outline.items[0].children.size(), 1u);
  EXPECT_EQ(outline.items[0].children[0].title, "\xF0\x9F\x98\x80");
  EXPECT_EQ(outline.items[0].children[0].target.destination.pageNumber, 2);
  EXPECT_EQ(outline.items[1].title, "Caf\xC3\xA9 \xE2\x80\xA2");
  EXPECT_FALSE(outline.items[1].open);
  EXPECT_EQ(outline.items[1].target.destination.pageNumber, 3);
  EXPECT_DOUBLE_EQ(outline.items[1].target.destination.top, 300);
  EXPECT_EQ(outline.items[1].children.size(), 1u);
  EXPECT_EQ(outline.items[2].title, "Web site");
  EXPECT_EQ(outline.items[2].target.kind, LinkTarget::Kind::URI);
  EXPECT_EQ(outline.itemCount, 5u);
}

TEST(Outline, DeepAndLongOutlinesAreCut) {
  PdfBuilder b = threePages("/Outlines 6 0 R");
  b.set(6, "<< /First 7 0 R >>");
  const int deep = Outline::kMaxDepth + 10;
  for (int i = 0; i < deep; ++i)
    b.set(7 + i,
          "<< /Title (level) /Dest [3 0 R /Fit] /First " + std::to_string(8 + i) + " 0 R >>");
  Opened o = open(b);
  const Outline outline = readOutline(o.doc->catalog()->Outlines, *o.doc->resolver(), *o.reader);
  EXPECT_TRUE(outline.truncated);
  int levels = 0;
  for (const std::vector<OutlineItem>* items = &outline.items; !items->empty();
       items = &(*items)[0].children)
    ++levels;
  EXPECT_EQ(levels, Outline::kMaxDepth);
  // Without an outline there is nothing, and nothing fails.
  EXPECT_TRUE(readOutline(nullptr, *o.doc->resolver(), *o.reader).items.empty());
}

}  // namespace

#include <cstdlib>
#include <filesystem>

#include "fuzz/links_outline_input.h"

namespace {

TEST(FuzzRegressions, LinksAndOutlines) {
  const char* root = std::getenv("BREVIA_TEST_DATA");
  if (!root) return;
  const std::filesystem::path dir = std::filesystem::path(root) / "fuzz" / "links_outline_fuzz";
  if (!std::filesystem::is_directory(dir)) return;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.is_regular_file()) readNavigation(entry.path().string());
}

}  // namespace
