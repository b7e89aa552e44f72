#pragma once
// The form widgets of a page as plain values, ready to become controls: everything read from the
// file (inherited entries, indirect objects, encrypted strings, text encodings) is settled here.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/document/field_kind.h"

class C_PDF_Document;
class C_PDF_PageTreeNode_or_Page;
struct PdfObject;

// Child widgets deeper than this below a page's widget are not listed.
inline constexpr int kMaxFormWidgetDepth = 32;

struct FormWidgetOption {
  std::u16string exportValue;
  std::u16string display;  // the export value when the option gives no display text
};

struct FormWidgetValues {
  int kind = kFieldNone;  // a FieldKind code
  int fieldFlags = 0;     // Ff, inherited from the field
  int quadding = 0;       // 0 left, 1 centred, 2 right
  bool border = false;
  // The page's drawing shows the widget: it brings a normal appearance (AP with N), or it is
  // a field whose appearance the drawing builds.
  bool hasAppearance = false;
  // Check boxes and radio buttons: the appearance state is not Off. onState names the state
  // that shows the widget on (its appearance other than Off), empty when it has none.
  bool checked = false;
  std::string onState;
  // Rect with its corners ordered (left <= right, bottom <= top), whole points as the file
  // gives them, in the page's own space.
  double rect[4] = {0, 0, 0, 0};
  // The same rectangle on the page as shown with its own rotation: points from the shown page's
  // top-left corner, y downwards, left <= right and top <= bottom.
  double left = 0, top = 0, right = 0, bottom = 0;
  std::u16string value;                   // V as text
  std::vector<std::u16string> selected;   // V of a choice field: one text, or each of an array
  std::vector<FormWidgetOption> options;  // Opt of a choice field
  std::u16string caption;                 // a push button's caption
  // The widget's own object, and its field's: the nearest of the widget and its ancestors with
  // a name (T), else the widget. A new value is stored in the field.
  int32_t widgetObject = -1, widgetGeneration = 0;
  int32_t fieldObject = -1, fieldGeneration = 0;
  int maxLen = 0;  // MaxLen of a text field, inherited; 0 when it has none
};

// Every widget of the page with a rectangle, depth first, each as the form's own record of its
// field describes it. visit returns false to stop.
void forEachFormWidget(C_PDF_Document& document, const C_PDF_PageTreeNode_or_Page& page,
                       const std::function<bool(const FormWidgetValues&)>& visit);

// A field value or option as text: strings decoded, names and numbers as written, else empty.
std::u16string fieldValueText(const PdfObject& value);
