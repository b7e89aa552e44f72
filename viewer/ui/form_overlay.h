#pragma once
// Controls laid over the interactive form fields of the shown page. They show each field's
// value as the file stores it; the user cannot change them. Fields the page's drawing shows
// (those with an appearance, or one the engine builds) keep their control hidden.

#include <QPoint>
#include <QPointer>
#include <QString>
#include <string>
#include <vector>

class QWidget;
class C_PDF_Document;
class C_PDF_PageTreeNode_or_Page;

namespace Corvalis::Viewer {

// Where the page sits in its window: the top-left pixel of the page bitmap and the pixels per
// point. Only pages shown without the view's rotation get controls.
struct OverlayPlacement {
  QPoint pageOrigin;
  double pixelsPerPoint = 1.0;
};

class FormOverlay {
 public:
  // A page with more widgets than this shows controls for the first ones only.
  static constexpr int kMaxRows = 1000;

  FormOverlay() = default;
  ~FormOverlay();
  FormOverlay(const FormOverlay&) = delete;
  FormOverlay& operator=(const FormOverlay&) = delete;

  // Destroys the controls and creates them for the page's widgets as children of parent.
  void build(QWidget* parent, C_PDF_Document& document, const C_PDF_PageTreeNode_or_Page& page,
             const OverlayPlacement& placement);
  void clear();
  int rowCount() const { return static_cast<int>(rows_.size()); }
  // The control of row i (null once destroyed by its parent).
  QWidget* control(int row) const;

 private:
  std::vector<QPointer<QWidget>> rows_;
};

// A string of the file as text: UTF-16 or UTF-8 after a byte-order mark, PDFDocEncoding
// otherwise.
QString pdfTextString(const std::string& bytes);

}  // namespace Corvalis::Viewer
