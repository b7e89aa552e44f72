#include "viewer/doc/form_session.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <optional>
#include <unistd.h>

#include "engine/document/form_field_values.h"
#include "engine/document/page_tree.h"
#include "engine/document/pdf_document.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/reading_positions.h"
#include "viewer/ui/form_overlay.h"

namespace viewer_test {
namespace {

using testing_pdf::PdfBuilder;

// Two pages of fields: page 1 a name, a required city, a check box, a radio group of two and a
// read-only id; page 2 a note.
std::string formFile() {
  PdfBuilder b;
  b.set(1,
        "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [10 0 R 11 0 R 12 0 R 13 0 R 16 0 R "
        "17 0 R 18 0 R 19 0 R] /DA (/Helv 10 Tf 0 g) /DR << /Font << /Helv 20 0 R >> >> >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>");
  b.set(3,
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] /Annots [10 0 R 11 0 R 12 0 R 14 0 R "
        "15 0 R 16 0 R] >>");
  b.set(4,
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] /Annots [17 0 R 18 0 R 19 0 R] >>");
  b.set(10,
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /Rect [100 700 300 720] /P 3 0 R >>");
  b.set(11,
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (city) /Ff 2 /Rect [100 650 300 670] /P 3 0 R "
        ">>");
  b.set(12,
        "<< /Type /Annot /Subtype /Widget /FT /Btn /T (agree) /Rect [100 600 120 620] /AS /Off "
        "/AP << /N << /Yes 30 0 R /Off 31 0 R >> >> /P 3 0 R >>");
  b.set(13, "<< /FT /Btn /Ff 49152 /T (size) /V /Off /Kids [14 0 R 15 0 R] >>");
  b.set(14,
        "<< /Type /Annot /Subtype /Widget /Parent 13 0 R /Rect [100 550 120 570] /AS /Off "
        "/AP << /N << /S 32 0 R /Off 31 0 R >> >> /P 3 0 R >>");
  b.set(15,
        "<< /Type /Annot /Subtype /Widget /Parent 13 0 R /Rect [150 550 170 570] /AS /Off "
        "/AP << /N << /L 33 0 R /Off 31 0 R >> >> /P 3 0 R >>");
  b.set(16,
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (id) /Ff 1 /V (A-1) /Rect [100 500 300 520] "
        "/P 3 0 R >>");
  b.set(17,
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (note) /Rect [100 700 300 720] /P 4 0 R >>");
  // An editable combo box and a list box of several choices.
  b.set(18,
        "<< /Type /Annot /Subtype /Widget /FT /Ch /T (colour) /Ff 393216 /Opt [(Red) (Green)] "
        "/Rect [100 600 300 620] /P 4 0 R >>");
  b.set(19,
        "<< /Type /Annot /Subtype /Widget /FT /Ch /T (sizes) /Ff 2097152 /Opt [[(s) (Small)] [(m) "
        "(Medium)] [(l) (Large)]] /Rect [100 450 300 550] /P 4 0 R >>");
  b.set(20, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  for (int n = 30; n <= 33; ++n)
    b.setStream(n, "/Type /XObject /Subtype /Form /BBox [0 0 20 20]",
                n == 31 ? "" : "0 0 1 rg 4 4 12 12 re f");
  return b.build("/Root 1 0 R");
}

std::string readAll(const QString& path) { return testing_pdf::readFile(path.toStdString()); }

// Each widget of the file as the engine reads it, by its object number.
std::map<int, FormWidgetValues> readBack(const QString& path) {
  std::map<int, FormWidgetValues> out;
  C_PDF_Document document;
  EXPECT_TRUE(document.open(QFile::encodeName(path).toStdString(), ""));
  document.completePageTree();
  for (int p = 1; p <= document.pageCount; ++p) {
    const C_PDF_PageTreeNode_or_Page* page = document.findPreparedPage(p, false);
    if (!page) continue;
    forEachFormWidget(document, *page, [&](const FormWidgetValues& w) {
      out[w.widgetObject] = w;
      return true;
    });
  }
  return out;
}

class FormSessionTest : public FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    ReadingPositions::setDefaultMode(static_cast<int>(ViewMode::SinglePage), true);
    ASSERT_TRUE(folder.isValid());
    path = folder.filePath(QStringLiteral("form.pdf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const std::string bytes = formFile();
    file.write(bytes.data(), qint64(bytes.size()));
  }
  void TearDown() override {
    ReadingPositions::setDefaultMode(static_cast<int>(ViewMode::SinglePage), true);
    FrameFixture::TearDown();
  }
  C_PDF_View* open() {
    EXPECT_TRUE(frame->openFile(path));
    frame->activateWindow();
    QApplication::setActiveWindow(frame.get());
    paint();
    return frame->activeView();
  }
  // The overlay row of a widget object (-1 when it has none).
  static int rowOf(const C_PDF_View* view, int object) {
    const FormOverlay& overlay = view->formOverlay();
    for (int r = 0; r < overlay.rowCount(); ++r)
      if (overlay.values(r)->widgetObject == object) return r;
    return -1;
  }
  // A click at the field's centre, or at inside from its top-left corner.
  void clickField(C_PDF_View* view, int object, std::optional<QPoint> inside = {}) {
    ASSERT_NE(view, nullptr);
    const int row = rowOf(view, object);
    ASSERT_GE(row, 0) << object;
    const QRect area = view->formOverlay().control(row)->geometry();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      inside ? area.topLeft() + *inside : area.center());
    settle();
  }
  // Lets the deferred values reach the document and the page be drawn with them.
  void settle() {
    for (int i = 0; i < 3; ++i) {
      QApplication::processEvents();
      paint();
    }
  }
  void type(const QString& text) {
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClicks(QApplication::focusWidget(), text);
  }
  void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), k, modifiers);
    settle();
  }
  QString windowTitle() const { return frame->mdiArea()->currentSubWindow()->windowTitle(); }
  C_PDF_Doc* document() const { return frame->activeDocument(); }

  QTemporaryDir folder;
  QString path;
};

TEST_F(FormSessionTest, FilledInWithClicksAndKeysSavedAndReadBack) {
  C_PDF_View* view = open();
  ASSERT_NE(view, nullptr);
  const std::string original = readAll(path);
  // Every field has an appearance the page draws: no control shows until one is edited, and
  // the empty required city is framed.
  for (int r = 0; r < view->formOverlay().rowCount(); ++r)
    EXPECT_FALSE(view->formOverlay().control(r)->isVisibleTo(view)) << r;
  ASSERT_NE(view->formOverlay().requiredMarker(rowOf(view, 11)), nullptr);
  EXPECT_EQ(view->formOverlay().requiredMarker(rowOf(view, 10)), nullptr);

  clickField(view, 10);
  auto* name = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  ASSERT_NE(name, nullptr);
  EXPECT_TRUE(name->isVisible());
  type(QStringLiteral("Jane"));
  key(Qt::Key_Tab);
  // The name is kept, the page drawn with it, and the city edited next.
  EXPECT_TRUE(document()->isModified());
  EXPECT_TRUE(windowTitle().startsWith(QLatin1Char('*'))) << windowTitle().toStdString();
  EXPECT_TRUE(frame->windowTitle().contains(QLatin1Char('*')));
  EXPECT_EQ(view->formOverlay().editingRow(), rowOf(view, 11));
  EXPECT_FALSE(view->formOverlay().control(rowOf(view, 10))->isVisibleTo(view));
  type(QStringLiteral("Paris"));
  key(Qt::Key_Tab);
  // The city has its value: no longer framed.
  EXPECT_EQ(view->formOverlay().requiredMarker(rowOf(view, 11)), nullptr);
  // Shift+Tab goes back.
  key(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(view->formOverlay().editingRow(), rowOf(view, 11));

  clickField(view, 12);
  clickField(view, 15);
  // The read-only id cannot be changed.
  const int id = rowOf(view, 16);
  ASSERT_NE(qobject_cast<QLabel*>(view->formOverlay().control(id)), nullptr);
  clickField(view, 16);
  auto* idLabel = qobject_cast<QLabel*>(view->formOverlay().control(rowOf(view, 16)));
  ASSERT_NE(idLabel, nullptr);
  EXPECT_EQ(idLabel->text(), "A-1");
  EXPECT_NE(view->formOverlay().editingRow(), rowOf(view, 16));
  auto* agree = qobject_cast<QCheckBox*>(view->formOverlay().control(rowOf(view, 12)));
  ASSERT_NE(agree, nullptr);
  EXPECT_TRUE(agree->isChecked());
  EXPECT_TRUE(
      qobject_cast<QRadioButton*>(view->formOverlay().control(rowOf(view, 15)))->isChecked());
  // A second radio of the group turns the first off.
  clickField(view, 14);
  EXPECT_TRUE(
      qobject_cast<QRadioButton*>(view->formOverlay().control(rowOf(view, 14)))->isChecked());
  EXPECT_FALSE(
      qobject_cast<QRadioButton*>(view->formOverlay().control(rowOf(view, 15)))->isChecked());
  // The file itself is untouched until saved.
  EXPECT_EQ(readAll(path), original);

  {
    MessageCapture boxes;
    frame->routeCommand(kCmdFileSave);
    settle();
    EXPECT_TRUE(boxes.boxes.empty());
  }
  EXPECT_FALSE(document()->isModified());
  EXPECT_FALSE(windowTitle().startsWith(QLatin1Char('*')));
  const std::string saved = readAll(path);
  // An update after the original bytes, which stay as they were.
  ASSERT_GT(saved.size(), original.size());
  EXPECT_EQ(saved.compare(0, original.size(), original), 0);
  std::map<int, FormWidgetValues> values = readBack(path);
  EXPECT_EQ(values[10].value, u"Jane");
  EXPECT_EQ(values[11].value, u"Paris");
  EXPECT_TRUE(values[12].checked);
  EXPECT_TRUE(values[14].checked);
  EXPECT_FALSE(values[15].checked);
  EXPECT_EQ(values[16].value, u"A-1");
  // The window shows the saved file with its values.
  EXPECT_EQ(qobject_cast<QLineEdit*>(view->formOverlay().control(rowOf(view, 10)))->text(), "Jane");

  // A second save appends a second update.
  clickField(view, 10);
  type(QStringLiteral(" Doe"));
  {
    MessageCapture boxes;
    frame->routeCommand(kCmdFileSave);
    settle();
  }
  const std::string twice = readAll(path);
  EXPECT_EQ(twice.compare(0, saved.size(), saved), 0);
  EXPECT_GT(twice.size(), saved.size());
  EXPECT_EQ(readBack(path)[10].value, u"Jane Doe");
}

TEST_F(FormSessionTest, AFailedSaveLeavesTheFilesAndTheValues) {
  C_PDF_View* view = open();
  ASSERT_NE(view, nullptr);
  const std::string original = readAll(path);
  clickField(view, 10);
  type(QStringLiteral("Jane"));
  key(Qt::Key_Tab);
  ASSERT_TRUE(document()->isModified());

  // A name that is a folder holding a file: the stored copy cannot take its place.
  QDir(folder.path()).mkdir(QStringLiteral("taken"));
  QFile inside(folder.filePath(QStringLiteral("taken/keep.txt")));
  ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
  inside.write("kept");
  inside.close();
  frame->setSaveNameChooser(
      [&](const QString&) { return folder.filePath(QStringLiteral("taken")); });
  {
    MessageCapture boxes;
    frame->routeCommand(kCmdFileSaveAs);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.contains(QStringLiteral("could not be saved")));
  }
  EXPECT_TRUE(QFileInfo(folder.filePath(QStringLiteral("taken"))).isDir());
  EXPECT_TRUE(document()->isModified());
  // No temporary file is left behind.
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

  // A folder the program may not write in (not for the superuser, who may write anywhere).
  if (::geteuid() != 0) {
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    {
      MessageCapture boxes;
      frame->routeCommand(kCmdFileSave);
      EXPECT_EQ(boxes.boxes.size(), 1u);
    }
    QFile::setPermissions(folder.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(document()->isModified());
  }
  EXPECT_EQ(readAll(path), original);

  // Save As to a good name: the document is that file from then on.
  const QString copy = folder.filePath(QStringLiteral("copy.pdf"));
  frame->setSaveNameChooser([&](const QString&) { return copy; });
  frame->routeCommand(kCmdFileSaveAs);
  settle();
  EXPECT_FALSE(document()->isModified());
  EXPECT_EQ(document()->path(), QFileInfo(copy).absoluteFilePath());
  EXPECT_EQ(windowTitle(), QStringLiteral("copy.pdf"));
  EXPECT_EQ(readBack(copy)[10].value, u"Jane");
  EXPECT_EQ(readAll(path), original);
}

TEST_F(FormSessionTest, ClosingAsksToSaveDiscardOrCancel) {
  C_PDF_View* view = open();
  ASSERT_NE(view, nullptr);
  const std::string original = readAll(path);
  clickField(view, 12);
  ASSERT_TRUE(document()->isModified());
  {
    MessageCapture boxes(BoxAnswer::Cancel);
    frame->routeCommand(kCmdFileClose);
    QApplication::processEvents();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].buttons, BoxButtons::YesNoCancel);
  }
  ASSERT_EQ(frame->mdiArea()->subWindowList().size(), 1);
  // Quitting asks too, and Cancel keeps the program.
  {
    MessageCapture boxes(BoxAnswer::Cancel);
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(boxes.boxes.size(), 1u);
  }
  ASSERT_EQ(frame->mdiArea()->subWindowList().size(), 1);
  {
    MessageCapture boxes(BoxAnswer::Yes);
    frame->routeCommand(kCmdFileClose);
    QApplication::processEvents();
  }
  EXPECT_TRUE(frame->mdiArea()->subWindowList().isEmpty());
  EXPECT_TRUE(readBack(path)[12].checked);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();

  // Discard closes and leaves the file.
  view = open();
  const std::string saved = readAll(path);
  clickField(view, 12);
  {
    MessageCapture boxes(BoxAnswer::No);
    frame->routeCommand(kCmdFileClose);
    QApplication::processEvents();
  }
  EXPECT_TRUE(frame->mdiArea()->subWindowList().isEmpty());
  EXPECT_EQ(readAll(path), saved);
  EXPECT_NE(saved, original);
}

TEST_F(FormSessionTest, ComboAndListBoxesTakeTypedAndChosenValues) {
  C_PDF_View* view = open();
  ASSERT_NE(view, nullptr);
  frame->routeCommand(kCmdNextPage);
  settle();
  ASSERT_EQ(view->currentPage(), 2);
  // Text typed into an editable combo box is its value, not a new option.
  clickField(view, 18);
  type(QStringLiteral("Blue"));
  key(Qt::Key_Return);
  clickField(view, 19, QPoint(8, 6));
  auto* list = qobject_cast<QListWidget*>(QApplication::focusWidget()->parentWidget());
  if (!list) list = qobject_cast<QListWidget*>(QApplication::focusWidget());
  ASSERT_NE(list, nullptr);
  // The click chose the first option; a second choice joins it.
  EXPECT_TRUE(list->item(0)->isSelected());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(2)).center());
  // Leaving the list hands its choices on.
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
  settle();
  {
    MessageCapture boxes;
    frame->routeCommand(kCmdFileSave);
    settle();
    EXPECT_TRUE(boxes.boxes.empty());
  }
  std::map<int, FormWidgetValues> values = readBack(path);
  EXPECT_EQ(values[18].value, u"Blue");
  EXPECT_EQ(values[19].selected, (std::vector<std::u16string>{u"s", u"l"}));
}

TEST_F(FormSessionTest, TheContinuousViewFillsEveryPageInSight) {
  ReadingPositions::setDefaultMode(static_cast<int>(ViewMode::Continuous), true);
  C_PDF_View* view = open();
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(view->viewMode(), ViewMode::Continuous);
  // Both pages' fields have controls, each over its page.
  const int note = rowOf(view, 17);
  ASSERT_GE(note, 0);
  const QRect page2 = view->shownPageRect(2);
  ASSERT_FALSE(page2.isEmpty());
  const QRect area = view->formOverlay().control(note)->geometry();
  const double scale = page2.width() / 600.0;
  EXPECT_NEAR(area.left(), page2.left() + 100 * scale, 1.5);
  EXPECT_NEAR(area.top(), page2.top() + 80 * scale, 1.5);
  // Tab from the last field of page 1 reaches page 2's note.
  clickField(view, 16);
  clickField(view, 15);
  clickField(view, 11);
  key(Qt::Key_Tab);  // the check box
  key(Qt::Key_Tab);  // the first radio button
  key(Qt::Key_Tab);  // the second
  key(Qt::Key_Tab);  // past the read-only id to the note
  EXPECT_EQ(view->formOverlay().editingRow(), rowOf(view, 17));
  type(QStringLiteral("See page 1"));
  {
    MessageCapture boxes;
    frame->routeCommand(kCmdFileSave);
    settle();
  }
  EXPECT_EQ(readBack(path)[17].value, u"See page 1");
}

}  // namespace
}  // namespace viewer_test
