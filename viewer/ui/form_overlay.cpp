#include "viewer/ui/form_overlay.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/document/annotation_list.h"
#include "engine/document/object_resolver.h"
#include "engine/document/page_tree.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/text_string.h"

namespace Corvalis::Viewer {

namespace {

// Child widgets deeper than this below a page's widget are not shown.
constexpr int kMaxWidgetDepth = 32;
// Font size of the rows of list boxes and multi-line fields, in points, at most: a size taken
// from the whole height would show no more than a line or two of the value.
constexpr double kListFontPoints = 10.0;
constexpr double kMultiLineFontPoints = 12.0;
// Font size of any control, in points, at most.
constexpr double kMaxFontPoints = 200.0;
// Pixel offsets from the page beyond this are clamped.
constexpr double kFarPixels = 1e6;

// Shows a check state that clicks and keys do not change.
template <typename Button>
class FixedStateButton : public Button {
 public:
  using Button::Button;

 protected:
  void nextCheckState() override {}
};

const PdfObject* resolvedOrNull(const PdfObject* value, ObjectResolver& resolver, PdfObject& storage) {
  if (!value) return nullptr;
  try {
    return &resolver.resolved(*value, storage, true);
  } catch (const C_PDF_Exception&) {
    return nullptr;
  }
}

int quadding(const FieldRecord& field, ObjectResolver& resolver) {
  PdfObject storage;
  const PdfObject* q = resolvedOrNull(field.Q, resolver, storage);
  return q && q->isNumber() ? q->intValue() : 0;
}

Qt::Alignment textAlignment(int q) {
  if (q == 1) return Qt::AlignHCenter;
  if (q == 2) return Qt::AlignRight;
  return Qt::AlignLeft;
}

// The field whose dictionary holds the options a widget uses.
const FieldRecord* optionOwner(const FieldRecord& widget) {
  const FieldRecord* owner = &widget;
  while (owner->parent && !owner->keys.dictionary.lookup("Opt")) owner = owner->parent;
  return owner;
}

struct Option {
  QString exportValue;
  QString display;
};

std::vector<Option> optionsOf(const FieldRecord& widget, ObjectResolver& resolver) {
  std::vector<Option> options;
  PdfObject storage;
  const PdfObject* opt = resolvedOrNull(widget.Opt, resolver, storage);
  if (!opt || !opt->isArray()) return options;
  const FieldRecord* owner = optionOwner(widget);
  auto textOf = [&](const PdfObject& element) {
    PdfObject elementStorage;
    const PdfObject* value = resolvedOrNull(&element, resolver, elementStorage);
    if (!value) return QString();
    if (value->isString()) {
      return pdfTextString(decryptedString(*value, resolver, owner->keys.objectNumber, owner->keys.generation));
    }
    return fieldText(*value);
  };
  for (const PdfObject& element : opt->elements) {
    PdfObject elementStorage;
    const PdfObject* item = resolvedOrNull(&element, resolver, elementStorage);
    if (!item) continue;
    if (item->isArray() && item->elements.size() >= 2) {
      options.push_back({textOf(item->elements[0]), textOf(item->elements[1])});
    } else {
      const QString text = textOf(*item);
      options.push_back({text, text});
    }
  }
  return options;
}

// The values a choice field has selected: one text, or several from an array.
std::vector<QString> selectedValues(const PdfObject& value) {
  std::vector<QString> values;
  if (value.isArray()) {
    for (const PdfObject& element : value.elements) values.push_back(fieldText(element));
  } else if (value.kind != PdfObjectKind::None && value.kind != PdfObjectKind::Null) {
    values.push_back(fieldText(value));
  }
  return values;
}

bool isSelected(const Option& option, const std::vector<QString>& values) {
  return std::any_of(values.begin(), values.end(), [&](const QString& v) {
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

// The widget rectangle in window pixels: page origin, top-down y, the page's own rotation.
QRect widgetRect(const PdfObject& rect, const C_PDF_PageTreeNode_or_Page& page,
                 const OverlayPlacement& placement) {
  int v[4];
  for (int i = 0; i < 4; ++i) v[i] = rect.elements[i].intValue();
  const double w = page.width, h = page.height;
  auto toDisplay = [&](double x, double y) {
    const double u = x - page.originX;
    const double t = h - (y - page.originY);
    switch (page.rotation) {
      case 90: return QPointF(h - t, u);
      case 180: return QPointF(w - u, h - t);
      case 270: return QPointF(t, w - u);
      default: return QPointF(u, t);
    }
  };
  const QPointF a = toDisplay(v[0], v[1]);
  const QPointF b = toDisplay(v[2], v[3]);
  // Rectangles far off the page stay far off, without overflowing a pixel coordinate.
  auto pixel = [&](double points, int origin) {
    return origin + static_cast<int>(std::clamp(points * placement.pixelsPerPoint, -kFarPixels, kFarPixels));
  };
  const int left = pixel(std::min(a.x(), b.x()), placement.pageOrigin.x());
  const int top = pixel(std::min(a.y(), b.y()), placement.pageOrigin.y());
  const int right = pixel(std::max(a.x(), b.x()), placement.pageOrigin.x());
  const int bottom = pixel(std::max(a.y(), b.y()), placement.pageOrigin.y());
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

QWidget* createControl(QWidget* parent, const FieldRecord& field, ObjectResolver& resolver, int pixelHeight) {
  const QString value = fieldText(field.value);
  double points = 0.55 * pixelHeight;
  QWidget* control = nullptr;
  switch (field.kind) {
    case kFieldPushButton: {
      if (field.caption.empty()) return nullptr;
      control = new QPushButton(pdfTextString(field.caption), parent);
      points /= 2;
      break;
    }
    case kFieldRadioButton:
    case kFieldCheckBox: {
      QAbstractButton* button = field.kind == kFieldRadioButton
                                    ? static_cast<QAbstractButton*>(new FixedStateButton<QRadioButton>(parent))
                                    : new FixedStateButton<QCheckBox>(parent);
      // Radio buttons of different fields share this parent; each shows its own state.
      button->setAutoExclusive(false);
      PdfObject storage;
      const PdfObject* state = resolvedOrNull(field.keys.AS, resolver, storage);
      button->setChecked(!(state && state->isName("Off")));
      // Nothing but the box is painted, so the page shows around it.
      button->setAutoFillBackground(false);
      control = button;
      break;
    }
    case kFieldMultiLineText: {
      auto* edit = new QPlainTextEdit(value, parent);
      edit->setReadOnly(true);
      edit->setFrameShape(field.border ? QFrame::Box : QFrame::NoFrame);
      QTextOption option = edit->document()->defaultTextOption();
      option.setAlignment(textAlignment(quadding(field, resolver)));
      edit->document()->setDefaultTextOption(option);
      makeTransparent(edit);
      makeTransparent(edit->viewport());
      points = std::min(points, kMultiLineFontPoints);
      control = edit;
      break;
    }
    case kFieldText: {
      auto* edit = new QLineEdit(value, parent);
      edit->setReadOnly(true);
      edit->setFrame(field.border);
      edit->setAlignment(textAlignment(quadding(field, resolver)) | Qt::AlignVCenter);
      edit->setCursorPosition(0);
      makeTransparent(edit);
      control = edit;
      break;
    }
    case kFieldReadOnlyText: {
      auto* label = new QLabel(plainTextValue(value), parent);
      label->setAlignment(textAlignment(quadding(field, resolver)) | Qt::AlignVCenter);
      label->setAttribute(Qt::WA_TranslucentBackground);
      makeTransparent(label);
      control = label;
      break;
    }
    case kFieldEditableCombo:
    case kFieldCombo: {
      auto* combo = new QComboBox(parent);
      const std::vector<QString> selected = selectedValues(field.value);
      int current = -1;
      for (const Option& option : optionsOf(field, resolver)) {
        if (current < 0 && isSelected(option, selected)) current = combo->count();
        combo->addItem(option.display);
      }
      combo->setCurrentIndex(current);
      combo->setEnabled(false);
      control = combo;
      break;
    }
    case kFieldList: {
      auto* list = new QListWidget(parent);
      const std::vector<QString> selected = selectedValues(field.value);
      list->setSelectionMode(QAbstractItemView::MultiSelection);
      for (const Option& option : optionsOf(field, resolver)) {
        auto* item = new QListWidgetItem(option.display, list);
        item->setSelected(isSelected(option, selected));
      }
      list->setEnabled(false);
      points = std::min(points, kListFontPoints);
      control = list;
      break;
    }
    default: return nullptr;
  }
  QFont font(QStringLiteral("Times New Roman"));
  font.setPointSizeF(std::clamp(points, 1.0, kMaxFontPoints));
  control->setFont(font);
  control->setFocusPolicy(field.kind == kFieldList || field.kind == kFieldCombo || field.kind == kFieldEditableCombo
                              ? Qt::NoFocus
                              : Qt::TabFocus);
  return control;
}

}  // namespace

QString pdfTextString(const std::string& bytes) {
  return QString::fromStdU16String(decodeTextString(bytes));
}

QString fieldText(const PdfObject& value) {
  if (value.isString()) return pdfTextString(value.text);
  if (value.isName() || value.isNumber()) return QString::fromLatin1(value.text.data(), static_cast<qsizetype>(value.text.size()));
  return {};
}

FormOverlay::~FormOverlay() { clear(); }

QWidget* FormOverlay::control(int row) const {
  return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)].data() : nullptr;
}

void FormOverlay::clear() {
  for (QPointer<QWidget>& control : rows_) delete control.data();
  rows_.clear();
}

void FormOverlay::build(QWidget* parent, C_PDF_Document& document, const C_PDF_PageTreeNode_or_Page& page,
                        const OverlayPlacement& placement) {
  clear();
  if (!page.annotations || !document.resolver()) return;
  for (const auto& widget : page.annotations->fields) {
    // The form's own record knows the widget's field: its type, flags and value.
    const FieldRecord* field = nullptr;
    const FormRecord* form = document.form();
    if (form && form->fields && widget->keys.objectNumber >= 0)
      field = form->fields->findField(widget->keys.objectNumber, widget->keys.generation);
    addWidget(parent, *document.resolver(), field ? *field : *widget, page, placement, 0);
  }
}

void FormOverlay::addWidget(QWidget* parent, ObjectResolver& resolver, const FieldRecord& widget,
                            const C_PDF_PageTreeNode_or_Page& page, const OverlayPlacement& placement,
                            int depth) {
  if (rowCount() >= kMaxRows || depth > kMaxWidgetDepth) return;
  PdfObject rectStorage;
  const PdfObject* rect = resolvedOrNull(widget.keys.Rect, resolver, rectStorage);
  if (rect && rect->isArray() && rect->elements.size() >= 4) {
    const QRect area = widgetRect(*rect, page, placement);
    if (QWidget* control = createControl(parent, widget, resolver, area.height())) {
      control->setGeometry(area);
      control->show();
      rows_.emplace_back(control);
    }
  }
  for (const auto& child : widget.children) {
    // A child that names another page as its own is shown there.
    const PdfObject* owner = child->keys.P;
    if (owner && owner->isReference() && page.objectNumber >= 0 && owner->objectNumber != page.objectNumber) continue;
    addWidget(parent, resolver, *child, page, placement, depth + 1);
  }
}

}  // namespace Corvalis::Viewer
