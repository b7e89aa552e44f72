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

#include "engine/document/field_kind.h"
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

// Shows a check state that clicks and keys do not change.
template <typename Button>
class FixedStateButton : public Button {
 public:
  using Button::Button;

 protected:
  void nextCheckState() override {}
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

QWidget* createControl(QWidget* parent, const FormWidgetValues& field, int pixelHeight) {
  const QString value = text(field.value);
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
      QAbstractButton* button =
          field.kind == kFieldRadioButton
              ? static_cast<QAbstractButton*>(new FixedStateButton<QRadioButton>(parent))
              : new FixedStateButton<QCheckBox>(parent);
      // Radio buttons of different fields share this parent; each shows its own state.
      button->setAutoExclusive(false);
      button->setChecked(field.checked);
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
      edit->setReadOnly(true);
      edit->setFrame(field.border);
      edit->setAlignment(textAlignment(field.quadding) | Qt::AlignVCenter);
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
      int current = -1;
      for (const FormWidgetOption& option : field.options) {
        if (current < 0 && isSelected(option, field.selected)) current = combo->count();
        combo->addItem(text(option.display));
      }
      combo->setCurrentIndex(current);
      combo->setEnabled(false);
      control = combo;
      break;
    }
    case kFieldList: {
      auto* list = new QListWidget(parent);
      list->setSelectionMode(QAbstractItemView::MultiSelection);
      for (const FormWidgetOption& option : field.options) {
        auto* item = new QListWidgetItem(text(option.display), list);
        item->setSelected(isSelected(option, field.selected));
      }
      list->setEnabled(false);
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
  control->setFocusPolicy(field.kind == kFieldList || field.kind == kFieldCombo ||
                                  field.kind == kFieldEditableCombo
                              ? Qt::NoFocus
                              : Qt::TabFocus);
  return control;
}

}  // namespace

QString pdfTextString(const std::string& bytes) {
  return QString::fromStdU16String(decodeTextString(bytes));
}

FormOverlay::~FormOverlay() { clear(); }

QWidget* FormOverlay::control(int row) const {
  return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)].data() : nullptr;
}

void FormOverlay::clear() {
  for (QPointer<QWidget>& control : rows_) delete control.data();
  rows_.clear();
}

void FormOverlay::build(QWidget* parent, C_PDF_Document& document,
                        const C_PDF_PageTreeNode_or_Page& page, const OverlayPlacement& placement) {
  clear();
  forEachFormWidget(document, page, [&](const FormWidgetValues& widget) {
    if (rowCount() >= kMaxRows) return false;
    const QRect area = widgetRect(widget, placement);
    if (QWidget* control = createControl(parent, widget, area.height())) {
      control->setGeometry(area);
      // The page's drawing shows a widget with an appearance: its control, kept for editing,
      // would show the value twice.
      control->setVisible(!widget.hasAppearance);
      rows_.emplace_back(control);
    }
    return rowCount() < kMaxRows;
  });
}

}  // namespace Corvalis::Viewer
