#pragma once
// Controls laid over the interactive form fields of the shown pages, for filling them in. A
// field the page's drawing shows (one with an appearance, or one the engine builds) keeps its
// control hidden until it is edited, so no value is shown twice; a new value is handed on when
// its editing ends, and the page is drawn again with it. Read-only fields cannot be changed;
// required ones are framed in red while empty.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/document/form_field_values.h"
#include "engine/forms/form_saver.h"

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

// One shown page: its number (1-based), its record and where it is.
struct OverlayPage {
  int number = 0;
  const C_PDF_PageTreeNode_or_Page* page = nullptr;
  OverlayPlacement placement;
};

class FormOverlay : public QObject {
  Q_OBJECT
 public:
  // A page with more widgets than this shows controls for the first ones only.
  static constexpr int kMaxRows = 1000;
  // Field flags of every kind.
  static constexpr int kFlagReadOnly = 1 << 0;
  static constexpr int kFlagRequired = 1 << 1;
  // A list box's: more than one option may be chosen.
  static constexpr int kFlagMultiSelect = 1 << 21;

  // Takes a field's new value; false when it could not be kept (the controls are built again
  // from the document then).
  using ChangeHandler = std::function<bool(const FieldValueChange&)>;
  // Tab went past the last field of the shown pages (or Shift+Tab before the first).
  using LeaveHandler = std::function<void(int page, bool forward)>;

  FormOverlay();
  ~FormOverlay() override;
  FormOverlay(const FormOverlay&) = delete;
  FormOverlay& operator=(const FormOverlay&) = delete;

  // Destroys the controls and creates them for the page's widgets as children of parent.
  void build(QWidget* parent, C_PDF_Document& document, const C_PDF_PageTreeNode_or_Page& page,
             const OverlayPlacement& placement);
  // Controls for these pages: the same pages at the same scale are only moved.
  void place(QWidget* parent, C_PDF_Document& document, const std::vector<OverlayPage>& pages);
  void clear();
  int rowCount() const { return static_cast<int>(rows_.size()); }
  // The control of row i (null once destroyed by its parent).
  QWidget* control(int row) const;
  // The field's values as read when the controls were built.
  const FormWidgetValues* values(int row) const;
  // The red frame of a required field while it is empty (null when there is none).
  QWidget* requiredMarker(int row) const;
  // The row being edited, or -1.
  int editingRow() const;

  void setChangeHandler(ChangeHandler handler) { onChange_ = std::move(handler); }
  void setLeaveHandler(LeaveHandler handler) { onLeave_ = std::move(handler); }

  // A click at point of the parent: starts editing the field there (a check box or radio
  // button takes its new state at once). False when no changeable field is there.
  bool pressAt(QPoint point);
  // Hands on the value of the field being edited now, before a save.
  void commitEditing();
  // Before a new reading of the document: the field being edited gets its control, focus and
  // typed text back once the controls are built again.
  void rememberFocus();
  // Gives the first (or last) changeable field of page the focus, now or once it is placed.
  void focusPageField(int page, bool first);
  // Moves the focus to the next (or previous) changeable field from row; false when there is
  // none among the shown pages.
  bool focusNext(int row, bool forward);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Row {
    QPointer<QWidget> control;
    QPointer<QWidget> marker;
    FormWidgetValues values;
    int page = 0;
    bool editable = false;
    // The control's value differs from the file's and has not been handed on.
    bool dirty = false;
  };
  struct Remembered {
    int32_t widgetObject = -1, widgetGeneration = 0;
    int page = 0;
    std::optional<QString> text;
    int cursor = 0;
  };

  void addPage(QWidget* parent, C_PDF_Document& document, const OverlayPage& page);
  void position(const std::vector<OverlayPage>& pages);
  void focusChanged(QWidget* old, QWidget* now);
  int rowOf(const QWidget* widget) const;
  std::optional<FieldValueChange> valueOf(const Row& row) const;
  // Hands on row's value (later when deferred: the handler rebuilds the controls).
  void commit(int row, bool deferred);
  void updateVisibility(int row, bool editing);
  void startEditing(int row, QPoint local);
  void restoreFocus();
  void deliver(const FieldValueChange& change);

  std::vector<Row> rows_;
  std::vector<std::pair<int, double>> placedPages_;  // number and pixels per point
  QPointer<QWidget> parent_;
  ChangeHandler onChange_;
  LeaveHandler onLeave_;
  std::optional<Remembered> remembered_;
  std::optional<std::pair<int, bool>> pageFocus_;
  bool clearing_ = false;
};

// A string of the file as text: UTF-16 or UTF-8 after a byte-order mark, PDFDocEncoding
// otherwise.
QString pdfTextString(const std::string& bytes);

}  // namespace Corvalis::Viewer
