#include "viewer/ui/form_overlay.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QWidget>
#include <QKeyEvent>
#include <QTextCursor>
#include <QFrame>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/document/field_kind.h"
#include "engine/document/page_tree.h"
#include "engine/forms/field_appearance.h"
#include "engine/document/form_field_values.h"
#include "engine/document/text_string.h"

namespace Corvalis::Viewer {

namespace {

// Font size of the rows of list boxes and multi-line fields, in points, at most: a size taken
// from the whole height would show no more than a line or two of the value.
constexpr double kListFontPoints = 10.0;
constexpr double kMultiLineFontPoints = 12.0;
// Font size of any control, in points, at most.
constexpr double kMaxFontPoints = 200.0;
// Pixel offsets from the page beyond this are clamped.
constexpr double kFarPixels = 1e6;

// Shows a check state that clicks and keys do not change (read-only fields).
template <typename Button>
class FixedStateButton : public Button {
 public:
  using Button::Button;

 protected:
  void nextCheckState() override {}
};

// A radio button a click turns on, never off: another button of its group does that.
class OnlyOnRadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  void nextCheckState() override {
    if (!isChecked()) setChecked(true);
  }
};

Qt::Alignment textAlignment(int q) {
  if (q == 1) return Qt::AlignHCenter;
  if (q == 2) return Qt::AlignRight;
  return Qt::AlignLeft;
}

QString text(const std::u16string& text) { return QString::fromStdU16String(text); }

bool isSelected(const FormWidgetOption& option, const std::vector<std::u16string>& values) {
  return std::any_of(values.begin(), values.end(), [&](const std::u16string& v) {
    return v == option.exportValue || v == option.display;
  });
}

// A value shown as plain text: a number other than zero with two decimals, anything else as is.
QString plainTextValue(const QString& text) {
  const std::string bytes = text.trimmed().toStdString();
  if (bytes.empty()) return text;
  char* end = nullptr;
  const double number = std::strtod(bytes.c_str(), &end);
  if (end != bytes.c_str() + bytes.size() || number == 0 || !std::isfinite(number)) return text;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f", number);
  return QString::fromLatin1(buffer);
}

// Lets the page show through the control.
void makeTransparent(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, Qt::transparent);
  palette.setColor(QPalette::Window, Qt::transparent);
  widget->setPalette(palette);
  widget->setAutoFillBackground(false);
}

// The widget rectangle in window pixels.
QRect widgetRect(const FormWidgetValues& widget, const OverlayPlacement& placement) {
  // Rectangles far off the page stay far off, without overflowing a pixel coordinate.
  auto pixel = [&](double points, int origin) {
    return origin +
           static_cast<int>(std::clamp(points * placement.pixelsPerPoint, -kFarPixels, kFarPixels));
  };
  const int left = pixel(widget.left, placement.pageOrigin.x());
  const int top = pixel(widget.top, placement.pageOrigin.y());
  const int right = pixel(widget.right, placement.pageOrigin.x());
  const int bottom = pixel(widget.bottom, placement.pageOrigin.y());
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

bool readOnly(const FormWidgetValues& field) {
  return field.kind == kFieldReadOnlyText || (field.fieldFlags & FormOverlay::kFlagReadOnly);
}

bool changeable(const FormWidgetValues& field) {
  if (readOnly(field)) return false;
  switch (field.kind) {
    case kFieldRadioButton:
    case kFieldCheckBox:
    case kFieldMultiLineText:
    case kFieldText:
    case kFieldEditableCombo:
    case kFieldCombo:
    case kFieldList:
      return true;
    default:
      return false;
  }
}

// A required field shows its frame while it has no value.
bool wantsValue(const FormWidgetValues& field) {
  if (!(field.fieldFlags & FormOverlay::kFlagRequired) || readOnly(field)) return false;
  switch (field.kind) {
    case kFieldMultiLineText:
    case kFieldText:
      return field.value.empty();
    case kFieldEditableCombo:
    case kFieldCombo:
    case kFieldList:
      return field.selected.empty() ||
             std::all_of(field.selected.begin(), field.selected.end(),
                         [](const std::u16string& v) { return v.empty(); });
    default:
      return false;
  }
}

QWidget* createControl(QWidget* parent, const FormWidgetValues& field, int pixelHeight) {
  const QString value = text(field.value);
  const bool fixed = readOnly(field);
  double points = 0.55 * pixelHeight;
  QWidget* control = nullptr;
  switch (field.kind) {
    case kFieldPushButton: {
      if (field.caption.empty()) return nullptr;
      control = new QPushButton(text(field.caption), parent);
      points /= 2;
      break;
    }
    case kFieldRadioButton:
    case kFieldCheckBox: {
      QAbstractButton* button = nullptr;
      if (field.kind == kFieldRadioButton)
        button = fixed ? static_cast<QAbstractButton*>(new FixedStateButton<QRadioButton>(parent))
                       : new OnlyOnRadioButton(parent);
      else
        button = fixed ? static_cast<QAbstractButton*>(new FixedStateButton<QCheckBox>(parent))
                       : new QCheckBox(parent);
      // Radio buttons of different fields share this parent; each shows its own state, and
      // the file's field turns the others of its group off.
      button->setAutoExclusive(false);
      button->setChecked(field.checked);
      // Nothing but the box is painted, so the page shows around it.
      button->setAutoFillBackground(false);
      control = button;
      break;
    }
    case kFieldMultiLineText: {
      auto* edit = new QPlainTextEdit(value, parent);
      edit->setReadOnly(fixed);
      edit->setTabChangesFocus(true);
      edit->setFrameShape(field.border ? QFrame::Box : QFrame::NoFrame);
      QTextOption option = edit->document()->defaultTextOption();
      option.setAlignment(textAlignment(field.quadding));
      edit->document()->setDefaultTextOption(option);
      makeTransparent(edit);
      makeTransparent(edit->viewport());
      points = std::min(points, kMultiLineFontPoints);
      control = edit;
      break;
    }
    case kFieldText: {
      auto* edit = new QLineEdit(value, parent);
      edit->setReadOnly(fixed);
      edit->setFrame(field.border);
      edit->setAlignment(textAlignment(field.quadding) | Qt::AlignVCenter);
      if (field.maxLen > 0) edit->setMaxLength(field.maxLen);
      if (field.fieldFlags & kFieldFlagPassword) edit->setEchoMode(QLineEdit::Password);
      edit->setCursorPosition(0);
      makeTransparent(edit);
      control = edit;
      break;
    }
    case kFieldReadOnlyText: {
      auto* label = new QLabel(plainTextValue(value), parent);
      label->setAlignment(textAlignment(field.quadding) | Qt::AlignVCenter);
      label->setAttribute(Qt::WA_TranslucentBackground);
      makeTransparent(label);
      control = label;
      break;
    }
    case kFieldEditableCombo:
    case kFieldCombo: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(field.kind == kFieldEditableCombo && !fixed);
      // Typed text is the value, not a new option.
      combo->setInsertPolicy(QComboBox::NoInsert);
      int current = -1;
      for (const FormWidgetOption& option : field.options) {
        if (current < 0 && isSelected(option, field.selected)) current = combo->count();
        combo->addItem(text(option.display));
      }
      combo->setCurrentIndex(current);
      if (current < 0 && combo->isEditable() && !field.selected.empty())
        combo->setEditText(text(field.selected.front()));
      combo->setEnabled(!fixed);
      control = combo;
      break;
    }
    case kFieldList: {
      auto* list = new QListWidget(parent);
      const bool multiple = field.fieldFlags & FormOverlay::kFlagMultiSelect;
      list->setSelectionMode(multiple ? QAbstractItemView::MultiSelection
                                      : QAbstractItemView::SingleSelection);
      for (const FormWidgetOption& option : field.options) {
        auto* item = new QListWidgetItem(text(option.display), list);
        item->setSelected(isSelected(option, field.selected));
      }
      list->setEnabled(!fixed);
      points = std::min(points, kListFontPoints);
      control = list;
      break;
    }
    default:
      return nullptr;
  }
  QFont font(QStringLiteral("Times New Roman"));
  font.setPointSizeF(std::clamp(points, 1.0, kMaxFontPoints));
  control->setFont(font);
  // Tab between fields goes through the overlay, in the document's order.
  control->setFocusPolicy(changeable(field) ? Qt::ClickFocus : Qt::NoFocus);
  return control;
}

// The order Tab visits a page's fields in: the page's Tabs entry (rows, columns), else the
// order of its annotations.
void sortForTabs(std::vector<std::size_t>& order, const std::vector<FormWidgetValues>& widgets,
                 const C_PDF_PageTreeNode_or_Page& page) {
  const PdfObject* tabs = page.dictionary.lookup("Tabs");
  if (!tabs || !tabs->isName()) return;
  if (tabs->isName("R")) {
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      const FormWidgetValues &x = widgets[a], &y = widgets[b];
      return x.top != y.top ? x.top < y.top : x.left < y.left;
    });
  } else if (tabs->isName("C")) {
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      const FormWidgetValues &x = widgets[a], &y = widgets[b];
      return x.left != y.left ? x.left < y.left : x.top < y.top;
    });
  }
}

}  // namespace

QString pdfTextString(const std::string& bytes) {
  return QString::fromStdU16String(decodeTextString(bytes));
}

FormOverlay::FormOverlay() {
  connect(qApp, &QApplication::focusChanged, this, &FormOverlay::focusChanged);
}

FormOverlay::~FormOverlay() { clear(); }

QWidget* FormOverlay::control(int row) const {
  return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)].control.data()
                                      : nullptr;
}

const FormWidgetValues* FormOverlay::values(int row) const {
  return row >= 0 && row < rowCount() ? &rows_[static_cast<std::size_t>(row)].values : nullptr;
}

QWidget* FormOverlay::requiredMarker(int row) const {
  return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)].marker.data()
                                      : nullptr;
}

void FormOverlay::clear() {
  // Hiding the focused control moves the focus: that is no end of its editing.
  const bool wasClearing = clearing_;
  clearing_ = true;
  for (Row& row : rows_) {
    // Later: clear may run inside a handler of the control's own signal.
    for (QWidget* widget : {row.control.data(), row.marker.data()}) {
      if (!widget) continue;
      widget->removeEventFilter(this);
      widget->hide();
      widget->deleteLater();
    }
  }
  rows_.clear();
  placedPages_.clear();
  clearing_ = wasClearing;
}

void FormOverlay::build(QWidget* parent, C_PDF_Document& document,
                        const C_PDF_PageTreeNode_or_Page& page, const OverlayPlacement& placement) {
  clear();
  place(parent, document, {OverlayPage{0, &page, placement}});
}

void FormOverlay::place(QWidget* parent, C_PDF_Document& document,
                        const std::vector<OverlayPage>& pages) {
  std::vector<std::pair<int, double>> wanted;
  for (const OverlayPage& p : pages) wanted.emplace_back(p.number, p.placement.pixelsPerPoint);
  if (parent == parent_ && wanted == placedPages_) {
    position(pages);
    return;
  }
  // The field being edited keeps its typed text across the new controls while its page stays
  // in sight; one whose page goes hands its value on.
  if (const int editing = editingRow(); editing >= 0) {
    const int page = rows_[std::size_t(editing)].page;
    if (std::any_of(wanted.begin(), wanted.end(), [&](const auto& p) { return p.first == page; }))
      rememberFocus();
    else
      commit(editing, true);
  }
  clear();
  parent_ = parent;
  placedPages_ = wanted;
  for (const OverlayPage& p : pages)
    if (p.page && rowCount() < kMaxRows) addPage(parent, document, p);
  position(pages);
  restoreFocus();
}

void FormOverlay::addPage(QWidget* parent, C_PDF_Document& document, const OverlayPage& page) {
  std::vector<FormWidgetValues> widgets;
  forEachFormWidget(document, *page.page, [&](const FormWidgetValues& widget) {
    widgets.push_back(widget);
    return rowCount() + static_cast<int>(widgets.size()) < kMaxRows;
  });
  std::vector<std::size_t> order(widgets.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  sortForTabs(order, widgets, *page.page);
  for (std::size_t i : order) {
    const FormWidgetValues& widget = widgets[i];
    const QRect area = widgetRect(widget, page.placement);
    QWidget* control = createControl(parent, widget, area.height());
    if (!control) continue;
    Row row;
    row.control = control;
    row.values = widget;
    row.page = page.number;
    row.editable = changeable(widget);
    control->installEventFilter(this);
    for (QWidget* child : control->findChildren<QWidget*>()) child->installEventFilter(this);
    if (wantsValue(widget)) {
      auto* marker = new QFrame(parent);
      marker->setFrameShape(QFrame::Box);
      marker->setLineWidth(2);
      QPalette palette = marker->palette();
      palette.setColor(QPalette::WindowText, Qt::red);
      marker->setPalette(palette);
      marker->setAttribute(Qt::WA_TransparentForMouseEvents);
      marker->setFocusPolicy(Qt::NoFocus);
      marker->show();
      row.marker = marker;
    }
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (row.editable && button && !qobject_cast<QPushButton*>(control)) {
      // A state set from the keyboard (Space) is handed on at once.
      connect(button, &QAbstractButton::toggled, this, [this, control] {
        const int r = rowOf(control);
        if (r < 0) return;
        rows_[std::size_t(r)].dirty = true;
        commit(r, true);
      });
    }
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && row.editable) {
      connect(combo, qOverload<int>(&QComboBox::activated), this, [this, control] {
        const int r = rowOf(control);
        if (r < 0) return;
        rows_[std::size_t(r)].dirty = true;
        commit(r, true);
      });
      connect(combo, &QComboBox::editTextChanged, this, [this, control] {
        if (const int r = rowOf(control); r >= 0) rows_[std::size_t(r)].dirty = true;
      });
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      connect(edit, &QLineEdit::textEdited, this, [this, control] {
        if (const int r = rowOf(control); r >= 0) rows_[std::size_t(r)].dirty = true;
      });
      connect(edit, &QLineEdit::returnPressed, this, [this, control] {
        if (const int r = rowOf(control); r >= 0) commit(r, true);
      });
    }
    if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
      connect(edit, &QPlainTextEdit::textChanged, this, [this, control] {
        if (const int r = rowOf(control); r >= 0) rows_[std::size_t(r)].dirty = true;
      });
    }
    if (auto* list = qobject_cast<QListWidget*>(control)) {
      connect(list, &QListWidget::itemSelectionChanged, this, [this, control] {
        if (const int r = rowOf(control); r >= 0) rows_[std::size_t(r)].dirty = true;
      });
    }
    rows_.push_back(std::move(row));
    updateVisibility(rowCount() - 1, false);
  }
}

void FormOverlay::position(const std::vector<OverlayPage>& pages) {
  for (Row& row : rows_) {
    auto page = std::find_if(pages.begin(), pages.end(),
                             [&](const OverlayPage& p) { return p.number == row.page; });
    if (page == pages.end()) continue;
    const QRect area = widgetRect(row.values, page->placement);
    if (row.control && row.control->geometry() != area) row.control->setGeometry(area);
    if (row.marker && row.marker->geometry() != area) row.marker->setGeometry(area);
  }
}

int FormOverlay::rowOf(const QWidget* widget) const {
  for (int r = 0; r < rowCount(); ++r) {
    const QWidget* control = rows_[std::size_t(r)].control.data();
    if (control && widget && (control == widget || control->isAncestorOf(widget))) return r;
  }
  return -1;
}

int FormOverlay::editingRow() const { return rowOf(QApplication::focusWidget()); }

void FormOverlay::updateVisibility(int r, bool editing) {
  Row& row = rows_[std::size_t(r)];
  if (!row.control) return;
  // The page's drawing shows a widget with an appearance: its control, kept for editing,
  // would show the value twice.
  row.control->setVisible(editing || !row.values.hasAppearance);
  if (row.marker) row.marker->setVisible(!editing);
}

std::optional<FieldValueChange> FormOverlay::valueOf(const Row& row) const {
  FieldValueChange change;
  change.objectNumber = row.values.fieldObject;
  change.generation = row.values.fieldGeneration;
  if (change.objectNumber < 0 || !row.control) return {};
  QWidget* control = row.control.data();
  auto exportOf = [&](int index) {
    return index >= 0 && std::size_t(index) < row.values.options.size()
               ? row.values.options[std::size_t(index)].exportValue
               : std::u16string();
  };
  switch (row.values.kind) {
    case kFieldText:
      change.values.push_back(static_cast<QLineEdit*>(control)->text().toStdU16String());
      break;
    case kFieldMultiLineText:
      change.values.push_back(
          static_cast<QPlainTextEdit*>(control)->toPlainText().toStdU16String());
      break;
    case kFieldCheckBox:
    case kFieldRadioButton: {
      const bool on = static_cast<QAbstractButton*>(control)->isChecked();
      change.state = on ? (row.values.onState.empty() ? "Yes" : row.values.onState) : "Off";
      break;
    }
    case kFieldCombo:
    case kFieldEditableCombo: {
      auto* combo = static_cast<QComboBox*>(control);
      const int index = combo->currentIndex();
      // Typed text that is not one of the options is the value itself.
      if (combo->isEditable() && (index < 0 || std::size_t(index) >= row.values.options.size() ||
                                  combo->currentText() != combo->itemText(index)))
        change.values.push_back(combo->currentText().toStdU16String());
      else
        change.values.push_back(exportOf(index));
      break;
    }
    case kFieldList: {
      auto* list = static_cast<QListWidget*>(control);
      for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) change.values.push_back(exportOf(i));
      break;
    }
    default:
      return {};
  }
  return change;
}

void FormOverlay::commit(int r, bool deferred) {
  if (r < 0 || r >= rowCount()) return;
  Row& row = rows_[std::size_t(r)];
  if (!row.editable || !row.dirty) return;
  row.dirty = false;
  std::optional<FieldValueChange> change = valueOf(row);
  if (!change) return;
  if (!deferred) {
    deliver(*change);
    return;
  }
  // The handler takes a new reading, which replaces these controls: not inside their own
  // signals.
  QTimer::singleShot(0, this, [this, value = *change] { deliver(value); });
}

void FormOverlay::deliver(const FieldValueChange& change) {
  if (onChange_ && !onChange_(change)) {
    // Not kept: the controls show the file's values again.
    remembered_.reset();
    placedPages_.clear();
    if (parent_) parent_->update();
  }
}

void FormOverlay::commitEditing() {
  const int r = editingRow();
  if (r >= 0) commit(r, false);
}

void FormOverlay::focusChanged(QWidget* old, QWidget* now) {
  if (clearing_) return;
  const int was = rowOf(old), is = rowOf(now);
  if (was == is) return;
  if (was >= 0) {
    updateVisibility(was, false);
    commit(was, true);
  }
  if (is >= 0) updateVisibility(is, true);
}

void FormOverlay::rememberFocus() {
  const int r = editingRow();
  if (r < 0) return;
  const Row& row = rows_[std::size_t(r)];
  Remembered kept;
  kept.widgetObject = row.values.widgetObject;
  kept.widgetGeneration = row.values.widgetGeneration;
  kept.page = row.page;
  if (row.dirty) {
    if (auto* edit = qobject_cast<QLineEdit*>(row.control.data())) {
      kept.text = edit->text();
      kept.cursor = edit->cursorPosition();
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(row.control.data())) {
      kept.text = edit->toPlainText();
      kept.cursor = edit->textCursor().position();
    } else {
      // Choices made so far (a list box's) are handed on rather than lost with the control.
      commit(r, true);
    }
  }
  remembered_ = kept;
}

void FormOverlay::restoreFocus() {
  if (remembered_) {
    const Remembered kept = *remembered_;
    for (int r = 0; r < rowCount(); ++r) {
      Row& row = rows_[std::size_t(r)];
      if (row.values.widgetObject != kept.widgetObject ||
          row.values.widgetGeneration != kept.widgetGeneration || row.page != kept.page)
        continue;
      remembered_.reset();
      updateVisibility(r, true);
      if (kept.text) {
        if (auto* edit = qobject_cast<QLineEdit*>(row.control.data())) {
          edit->setText(*kept.text);
          edit->setCursorPosition(kept.cursor);
        } else if (auto* edit = qobject_cast<QPlainTextEdit*>(row.control.data())) {
          edit->setPlainText(*kept.text);
          QTextCursor cursor = edit->textCursor();
          cursor.setPosition(std::min<int>(kept.cursor, int(kept.text->size())));
          edit->setTextCursor(cursor);
        }
        row.dirty = true;
      }
      row.control->setFocus(Qt::OtherFocusReason);
      break;
    }
    // A field no longer shown (its page scrolled away) is not looked for again.
    remembered_.reset();
  }
  if (pageFocus_) {
    const auto [page, first] = *pageFocus_;
    int found = -1;
    for (int r = 0; r < rowCount(); ++r) {
      const Row& row = rows_[std::size_t(r)];
      if (row.page != page || !row.editable || !row.control) continue;
      if (found < 0 || !first) found = r;
      if (first) break;
    }
    if (found >= 0 || std::none_of(placedPages_.begin(), placedPages_.end(),
                                   [&](const auto& p) { return p.first == page; })) {
      if (found >= 0) {
        pageFocus_.reset();
        updateVisibility(found, true);
        rows_[std::size_t(found)].control->setFocus(Qt::TabFocusReason);
      }
    } else {
      pageFocus_.reset();
    }
  }
}

void FormOverlay::focusPageField(int page, bool first) {
  pageFocus_ = std::make_pair(page, first);
  restoreFocus();
}

bool FormOverlay::focusNext(int from, bool forward) {
  const int step = forward ? 1 : -1;
  for (int r = from + step; r >= 0 && r < rowCount(); r += step) {
    Row& row = rows_[std::size_t(r)];
    if (!row.editable || !row.control) continue;
    updateVisibility(r, true);
    row.control->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
  }
  return false;
}

void FormOverlay::startEditing(int r, QPoint local) {
  Row& row = rows_[std::size_t(r)];
  QWidget* control = row.control.data();
  updateVisibility(r, true);
  control->setFocus(Qt::MouseFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setCursorPosition(edit->cursorPositionAt(local));
  } else if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
    edit->setTextCursor(edit->cursorForPosition(edit->viewport()->mapFrom(control, local)));
  } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
    if (!combo->isEditable()) combo->showPopup();
  } else if (auto* list = qobject_cast<QListWidget*>(control)) {
    // Just shown: its rows are laid out now, not on the next paint.
    list->doItemsLayout();
    const QPoint inList = list->viewport()->mapFrom(control, local);
    if (QListWidgetItem* item = list->itemAt(inList)) {
      if (list->selectionMode() == QAbstractItemView::MultiSelection)
        item->setSelected(!item->isSelected());
      else
        list->setCurrentItem(item);
    }
  }
}

bool FormOverlay::pressAt(QPoint point) {
  for (int r = rowCount() - 1; r >= 0; --r) {
    Row& row = rows_[std::size_t(r)];
    if (!row.control || !row.control->geometry().contains(point)) continue;
    if (!row.editable) return false;
    // A visible control takes its own clicks; this is one the page's drawing shows.
    if (auto* button = qobject_cast<QAbstractButton*>(row.control.data())) {
      const bool radio = row.values.kind == kFieldRadioButton;
      // A radio button shown on while its field's value names another state (or none, as
      // some writers leave it) still takes the click.
      std::u16string on;
      for (char c : row.values.onState) on.push_back(static_cast<unsigned char>(c));
      if (radio && button->isChecked() && row.values.value == on) return true;
      {
        const QSignalBlocker quiet(button);
        button->setChecked(radio ? true : !button->isChecked());
      }
      row.dirty = true;
      commit(r, true);
      return true;
    }
    startEditing(r, point - row.control->pos());
    return true;
  }
  return false;
}

bool FormOverlay::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool tab = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
    const bool backtab = key->key() == Qt::Key_Backtab ||
                         (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
    if (tab || backtab) {
      const int r = rowOf(qobject_cast<QWidget*>(watched));
      if (r < 0) return false;
      if (!focusNext(r, tab) && onLeave_) onLeave_(rows_[std::size_t(r)].page, tab);
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace Corvalis::Viewer
