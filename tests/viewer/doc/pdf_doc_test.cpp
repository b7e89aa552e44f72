#include "viewer/doc/pdf_doc.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>

#include "engine/document/pdf_document.h"
#include "engine/messages/message_catalogue.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/messages/app_identity.h"
#include "viewer/doc/document_template.h"
#include "viewer/doc/page_tree_progress.h"
#include "viewer/messages/viewer_texts.h"
#include "viewer/ui/toolbar_boxes.h"

namespace viewer_test {
namespace {

namespace Messages = Corvalis::PDFConverter::Messages;

class PdfDocTest : public FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    recent->clear();
    recent->save();
  }
  int windows() const { return frame->mdiArea()->subWindowList().size(); }
  std::size_t documents() const { return frame->documentTemplate().documents().size(); }
};

TEST_F(PdfDocTest, OpenErrorsShowTheirMessageAndLeaveNoWindow) {
  struct Case {
    QString path;
    QString text;
    BoxIcon icon;
    const char* caption;
  };
  const QString damaged = writePdf("%PDF-1.4\nhello world\n", "damaged.pdf");
  const QString noPages =
      writePdf("%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n",
               "nopages.pdf");
  const QString otherHandler = writePdf(
      "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\n"
      "trailer << /Root 1 0 R /Encrypt << /Filter /OtherHandler /V 1 >> >>\n%%EOF\n",
      "other-handler.pdf");
  const QString notPdf = writePdf("hello, this is text\n", "text.pdf");
  // The engine's reason leads, then the general text.
  const auto because = [](const char* reason, int code) {
    return QString::fromLatin1(reason) + "\n\n" +
           QString::fromStdString(Messages::ExceptionText(code));
  };
  const Case cases[] = {
      {QStringLiteral("/nonexistent/folder/file.pdf"), kTextCouldNotOpen, BoxIcon::Warning,
       kCaptionReader},
      {QDir::tempPath(), kTextCouldNotOpen, BoxIcon::Warning, kCaptionReader},
      {damaged, because("The file is damaged: its end is missing.", 2), BoxIcon::Warning,
       kCaptionViewer},
      {notPdf, because("This file is not a PDF document.", 2), BoxIcon::Warning, kCaptionViewer},
      {noPages, because("The file is damaged: it has no list of pages.", 1), BoxIcon::Warning,
       kCaptionViewer},
      {otherHandler,
       because("It is protected by a security handler other than the standard one.", 4),
       BoxIcon::Information, kCaptionViewer},
  };
  for (const Case& c : cases) {
    MessageCapture capture;
    EXPECT_FALSE(frame->openFile(c.path)) << c.path.toStdString();
    ASSERT_EQ(capture.boxes.size(), 1u) << c.path.toStdString();
    // Each box names the file above the message.
    EXPECT_EQ(capture.boxes[0].text,
              QDir::toNativeSeparators(QFileInfo(c.path).absoluteFilePath()) + "\n\n" + c.text);
    EXPECT_EQ(capture.boxes[0].icon, c.icon);
    EXPECT_EQ(capture.boxes[0].caption, QString::fromLatin1(c.caption));
    EXPECT_EQ(capture.boxes[0].owner, nullptr);
    EXPECT_EQ(windows(), 0);
    EXPECT_EQ(documents(), 0u);
  }
  // A failed open is not a recent file.
  EXPECT_TRUE(recent->files().isEmpty());
}

TEST_F(PdfDocTest, AFailedOpenLeavesTheOpenDocumentsIntact) {
  ASSERT_TRUE(frame->openFile(pagesFile(3, "good.pdf")));
  paint();
  C_PDF_View* view = frame->activeView();
  frame->routeCommand(kCmdNextPage);
  paint();
  {
    MessageCapture capture;
    EXPECT_FALSE(frame->openFile(writePdf("%PDF-1.4\n1 0 obj <<\n", "broken.pdf")));
    EXPECT_EQ(capture.boxes.size(), 1u);
  }
  QApplication::processEvents();
  ASSERT_EQ(windows(), 1);
  ASSERT_EQ(frame->activeView(), view);
  frame->routeCommand(kCmdNextPage);
  paint();
  EXPECT_EQ(view->currentPage(), 3);
  EXPECT_FALSE(view->drawingStopped());
  EXPECT_FALSE(view->pageImage().isNull());
}

TEST_F(PdfDocTest, OpenSequenceBuildsTheEngineObjects) {
  C_PDF_Doc doc;
  bool told = false;
  doc.onOpened = [&] { told = true; };
  ASSERT_TRUE(doc.onOpenDocument(pagesFile(2, "objects.pdf")));
  EXPECT_TRUE(told);
  ASSERT_NE(doc.document(), nullptr);
  EXPECT_NE(doc.creator(), nullptr);
  EXPECT_NE(doc.renderer(), nullptr);
  ASSERT_NE(doc.selectionContext(), nullptr);
  EXPECT_EQ(doc.selectionContext()->document, doc.document());
  EXPECT_EQ(doc.selectionContext()->creator, doc.creator());
  EXPECT_EQ(doc.selectionContext()->entryCount, 0);
  EXPECT_EQ(doc.selectionMode(), kSelectText);
  EXPECT_EQ(doc.document()->pageCount, 2);
  EXPECT_FALSE(doc.isModified());
}

TEST_F(PdfDocTest, OpeningAnOpenFileActivatesItsWindow) {
  const QString path = pagesFile(2, "again.pdf");
  ASSERT_TRUE(frame->openFile(path));
  ASSERT_TRUE(frame->openFile(pagesFile(2, "other.pdf")));
  ASSERT_TRUE(frame->openFile(path));
  EXPECT_EQ(windows(), 2);
  EXPECT_EQ(documents(), 2u);
  EXPECT_EQ(frame->activeDocument()->path(), QFileInfo(path).absoluteFilePath());
}

TEST_F(PdfDocTest, LargeDocumentShowsPageOneThenReadsTheTreeWithProgress) {
  ASSERT_TRUE(frame->openFile(pagesFile(250, "many.pdf")));
  C_PDF_Doc* doc = frame->activeDocument();
  EXPECT_FALSE(doc->pageTreeComplete());
  paint();
  EXPECT_EQ(frame->activeView()->currentPage(), 1);
  // The rest of the tree is read once page 1 is on screen.
  for (int i = 0; i < 100 && !doc->pageTreeComplete(); ++i) QApplication::processEvents();
  EXPECT_TRUE(doc->pageTreeComplete());
  EXPECT_TRUE(doc->progress().shown());
  EXPECT_EQ(doc->progress().lastPosition(), 250);
  frame->routeCommand(kCmdLastPage);
  paint();
  EXPECT_EQ(frame->activeView()->currentPage(), 250);
  EXPECT_EQ(frame->pageBox()->text(), "250 of 250");

  ASSERT_TRUE(frame->openFile(pagesFile(50, "few.pdf")));
  paint();
  frame->activeDocument()->completePageTree();
  EXPECT_FALSE(frame->activeDocument()->progress().shown());
}

TEST_F(PdfDocTest, APageCountLargerThanTheTreeIsCorrected) {
  testing_pdf::PdfBuilder pdf;
  pdf.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.set(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 40 /MediaBox [0 0 300 300] >>");
  for (int n = 3; n <= 5; ++n) pdf.set(n, "<< /Type /Page /Parent 2 0 R >>");
  ASSERT_TRUE(frame->openFile(writePdf(pdf.build("/Root 1 0 R"), "count.pdf")));
  paint();
  for (int i = 0; i < 100 && !frame->activeDocument()->pageTreeComplete(); ++i)
    QApplication::processEvents();
  C_PDF_View* view = frame->activeView();
  EXPECT_EQ(view->pageCount(), 3);
  EXPECT_EQ(view->verticalMax(), 62);
  frame->routeCommand(kCmdLastPage);
  paint();
  EXPECT_EQ(view->currentPage(), 3);
  EXPECT_FALSE(view->pageImage().isNull());
}

TEST_F(PdfDocTest, TheViewRotationIsTheDocumentsAndOutlivesANewReading) {
  ASSERT_TRUE(frame->openFile(pagesFile(2, "turned.pdf", 300, 200)));
  paint();
  C_PDF_View* view = frame->activeView();
  frame->routeCommand(kCmdRotateClockwise);
  paint();
  ASSERT_EQ(view->rotation(), 90);
  EXPECT_GT(view->pageImage().height(), view->pageImage().width());
  C_PDF_Doc* document = frame->activeDocument();
  EXPECT_EQ(document->viewRotation(), 90);
  // A fresh reading of the file (as after a CMap arrives) keeps the turn.
  document->reloadFonts();
  paint();
  EXPECT_EQ(view->rotation(), 90);
  EXPECT_GT(view->pageImage().height(), view->pageImage().width());
}

TEST_F(PdfDocTest, WindowsOfADocumentShareItUntilTheLastCloses) {
  ASSERT_TRUE(frame->openFile(pagesFile(2, "windows.pdf")));
  frame->routeCommand(kCmdWindowNew);
  QApplication::processEvents();
  ASSERT_EQ(windows(), 2);
  EXPECT_EQ(documents(), 1u);
  QStringList titles;
  for (QMdiSubWindow* w : frame->mdiArea()->subWindowList()) titles << w->windowTitle();
  EXPECT_TRUE(titles.contains("windows.pdf:1"));
  EXPECT_TRUE(titles.contains("windows.pdf:2"));
  frame->mdiArea()->subWindowList().first()->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  EXPECT_EQ(documents(), 1u);
  EXPECT_EQ(frame->mdiArea()->subWindowList().first()->windowTitle(), "windows.pdf");
  frame->routeCommand(kCmdFileClose);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  EXPECT_EQ(windows(), 0);
  EXPECT_EQ(documents(), 0u);
  EXPECT_EQ(frame->pageBox()->text(), "0 of 0");
}

TEST_F(PdfDocTest, RecentFileListKeepsEightNewestFirst) {
  std::vector<QString> paths;
  for (int i = 0; i < 10; ++i) paths.push_back(pagesFile(1, "recent" + std::to_string(i) + ".pdf"));
  for (const QString& p : paths) ASSERT_TRUE(frame->openFile(p));
  ASSERT_EQ(recent->files().size(), kRecentFileCount);
  EXPECT_EQ(recent->files().first(), QFileInfo(paths[9]).absoluteFilePath());
  EXPECT_EQ(recent->files().last(), QFileInfo(paths[2]).absoluteFilePath());
  EXPECT_EQ(recent->menuText(0), "&1 " + QFileInfo(paths[9]).absoluteFilePath());

  // Kept in the settings under the maker's name.
  RecentFileList reloaded(kRecentFileCount);
  reloaded.load();
  EXPECT_EQ(reloaded.files(), recent->files());
  QSettings settings(kOrganisationName, kSettingsApplicationName);
  EXPECT_EQ(settings.value("Recent File List/File1").toString(), recent->files().first());

  // Reopening moves a file to the front without a duplicate.
  frame->routeCommand(kCmdFileClose);
  RecentFileList list(3);
  list.add("/a.pdf");
  list.add("/b.pdf");
  list.add("/a.pdf");
  EXPECT_EQ(list.files(), QStringList({"/a.pdf", "/b.pdf"}));
}

TEST_F(PdfDocTest, RecentFileThatIsGoneLeavesTheList) {
  const QString path = pagesFile(1, "vanishing.pdf");
  ASSERT_TRUE(frame->openFile(path));
  frame->routeCommand(kCmdFileClose);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QFile::remove(path);
  ASSERT_EQ(recent->files().size(), 1);
  MessageCapture capture;
  frame->findChild<QAction*>(QStringLiteral("cmd_%1").arg(kCmdRecentFile1))->trigger();
  EXPECT_EQ(capture.boxes.size(), 1u);
  EXPECT_TRUE(recent->files().isEmpty());
}

}  // namespace
}  // namespace viewer_test
