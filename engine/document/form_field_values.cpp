#include "engine/document/form_field_values.h"

#include <algorithm>

#include "engine/document/annotation_list.h"
#include "engine/document/object_resolver.h"
#include "engine/document/page_tree.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/text_string.h"

namespace {

const PdfObject* resolvedOrNull(const PdfObject* value, ObjectResolver& resolver,
                                PdfObject& storage) {
  if (!value) return nullptr;
  try {
    return &resolver.resolved(*value, storage);
  } catch (const C_PDF_Exception&) {
    return nullptr;
  }
}

int numberOf(const PdfObject* value, ObjectResolver& resolver) {
  PdfObject storage;
  const PdfObject* number = resolvedOrNull(value, resolver, storage);
  return number && number->isNumber() ? number->intValue() : 0;
}

std::u16string latin1(const std::string& bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (char c : bytes) text.push_back(static_cast<unsigned char>(c));
  return text;
}

// The field whose dictionary holds the options a widget uses: its strings are decrypted with
// that field's object number.
const FieldRecord* optionOwner(const FieldRecord& widget) {
  const FieldRecord* owner = &widget;
  while (owner->parent && !owner->keys.dictionary.lookup("Opt")) owner = owner->parent;
  return owner;
}

std::vector<FormWidgetOption> optionsOf(const FieldRecord& widget, ObjectResolver& resolver) {
  std::vector<FormWidgetOption> options;
  PdfObject storage;
  const PdfObject* opt = resolvedOrNull(widget.Opt, resolver, storage);
  if (!opt || !opt->isArray()) return options;
  const FieldRecord* owner = optionOwner(widget);
  auto textOf = [&](const PdfObject& element) {
    PdfObject elementStorage;
    const PdfObject* value = resolvedOrNull(&element, resolver, elementStorage);
    if (!value) return std::u16string();
    if (value->isString()) {
      return decodeTextString(
          decryptedString(*value, resolver, owner->keys.objectNumber, owner->keys.generation));
    }
    return fieldValueText(*value);
  };
  for (const PdfObject& element : opt->elements) {
    PdfObject elementStorage;
    const PdfObject* item = resolvedOrNull(&element, resolver, elementStorage);
    if (!item) continue;
    if (item->isArray() && item->elements.size() >= 2) {
      options.push_back({textOf(item->elements[0]), textOf(item->elements[1])});
    } else {
      std::u16string text = textOf(*item);
      options.push_back({text, text});
    }
  }
  return options;
}

std::vector<std::u16string> selectedValues(const PdfObject& value) {
  std::vector<std::u16string> values;
  if (value.isArray()) {
    for (const PdfObject& element : value.elements) values.push_back(fieldValueText(element));
  } else if (value.kind != PdfObjectKind::None && value.kind != PdfObjectKind::Null) {
    values.push_back(fieldValueText(value));
  }
  return values;
}

// The name of the normal appearance that is not Off, else the state set when it is not Off.
std::string onStateOf(const FieldRecord& widget, ObjectResolver& resolver) {
  PdfObject apStorage, normalStorage, stateStorage;
  const PdfObject* ap = resolvedOrNull(widget.keys.AP, resolver, apStorage);
  const PdfObject* normal = ap && ap->isDictOrStream()
                                ? resolvedOrNull(ap->lookup("N"), resolver, normalStorage)
                                : nullptr;
  if (normal && normal->isDictionary()) {
    for (const DictEntry& entry : normal->entries)
      if (entry.key != "Off") return entry.key;
  }
  const PdfObject* state = resolvedOrNull(widget.keys.AS, resolver, stateStorage);
  return state && state->isName() && !state->isName("Off") ? state->text : std::string();
}

// Page space to the shown page: origin at its top-left corner, y downwards, turned by the page's
// own rotation.
void displayPoint(const C_PDF_PageTreeNode_or_Page& page, double x, double y, double& outX,
                  double& outY) {
  const double w = page.width, h = page.height;
  const double u = x - page.originX;
  const double t = h - (y - page.originY);
  switch (page.rotation) {
    case 90:
      outX = h - t, outY = u;
      break;
    case 180:
      outX = w - u, outY = h - t;
      break;
    case 270:
      outX = t, outY = w - u;
      break;
    default:
      outX = u, outY = t;
      break;
  }
}

// Fills the rectangle entries; false when the widget has no usable Rect.
bool readRect(const FieldRecord& widget, ObjectResolver& resolver,
              const C_PDF_PageTreeNode_or_Page& page, FormWidgetValues& values) {
  PdfObject storage;
  const PdfObject* rect = resolvedOrNull(widget.keys.Rect, resolver, storage);
  if (!rect || !rect->isArray() || rect->elements.size() < 4) return false;
  double v[4];
  for (int i = 0; i < 4; ++i) v[i] = rect->elements[static_cast<std::size_t>(i)].intValue();
  values.rect[0] = std::min(v[0], v[2]);
  values.rect[1] = std::min(v[1], v[3]);
  values.rect[2] = std::max(v[0], v[2]);
  values.rect[3] = std::max(v[1], v[3]);
  double ax, ay, bx, by;
  displayPoint(page, v[0], v[1], ax, ay);
  displayPoint(page, v[2], v[3], bx, by);
  values.left = std::min(ax, bx);
  values.top = std::min(ay, by);
  values.right = std::max(ax, bx);
  values.bottom = std::max(ay, by);
  return true;
}

// The field that holds the widget's value, and its inherited MaxLen.
void readOwner(const FieldRecord& widget, ObjectResolver& resolver, FormWidgetValues& values) {
  values.widgetObject = widget.keys.objectNumber;
  values.widgetGeneration = widget.keys.generation;
  values.fieldObject = widget.keys.objectNumber;
  values.fieldGeneration = widget.keys.generation;
  bool named = false, sized = false;
  int depth = 0;
  for (const FieldRecord* f = &widget; f && depth <= kMaxFormWidgetDepth; f = f->parent, ++depth) {
    const PdfObject& d = f->keys.dictionary;
    if (!named && d.lookup("T") && f->keys.objectNumber >= 0) {
      named = true;
      values.fieldObject = f->keys.objectNumber;
      values.fieldGeneration = f->keys.generation;
    }
    if (!sized && d.lookup("MaxLen")) {
      sized = true;
      values.maxLen = std::max(0, numberOf(d.lookup("MaxLen"), resolver));
    }
  }
}

// Fills everything but the rectangle.
void readValues(const FieldRecord& field, ObjectResolver& resolver, FormWidgetValues& values) {
  readOwner(field, resolver, values);
  values.kind = field.kind;
  values.fieldFlags = numberOf(field.Ff, resolver);
  values.quadding = numberOf(field.Q, resolver);
  values.border = field.border;
  values.value = fieldValueText(field.value);
  values.caption = decodeTextString(field.caption);
  {
    PdfObject storage;
    const PdfObject* ap = resolvedOrNull(field.keys.AP, resolver, storage);
    values.hasAppearance =
        (ap && ap->isDictOrStream() && ap->lookup("N")) ||
        (field.kind != kFieldNone && field.kind != kFieldSignature && field.kind != kFieldHidden);
  }
  if (field.kind == kFieldRadioButton || field.kind == kFieldCheckBox) {
    PdfObject storage;
    const PdfObject* state = resolvedOrNull(field.keys.AS, resolver, storage);
    values.checked = !(state && state->isName("Off"));
    values.onState = onStateOf(field, resolver);
  }
  if (field.kind == kFieldCombo || field.kind == kFieldEditableCombo || field.kind == kFieldList) {
    values.selected = selectedValues(field.value);
    values.options = optionsOf(field, resolver);
  }
}

// Visits widget and the kids that belong to this page; false once visit asked to stop.
bool visitWidget(const FieldRecord& widget, ObjectResolver& resolver,
                 const C_PDF_PageTreeNode_or_Page& page,
                 const std::function<bool(const FormWidgetValues&)>& visit, int depth) {
  if (depth > kMaxFormWidgetDepth) return true;
  FormWidgetValues values;
  if (readRect(widget, resolver, page, values)) {
    readValues(widget, resolver, values);
    if (!visit(values)) return false;
  }
  for (const auto& child : widget.children) {
    // A kid that names another page as its own is shown there.
    const PdfObject* owner = child->keys.P;
    if (owner && owner->isReference() && page.objectNumber >= 0 &&
        owner->objectNumber != page.objectNumber)
      continue;
    if (!visitWidget(*child, resolver, page, visit, depth + 1)) return false;
  }
  return true;
}

}  // namespace

std::u16string fieldValueText(const PdfObject& value) {
  if (value.isString()) return decodeTextString(value.text);
  if (value.isName() || value.isNumber()) return latin1(value.text);
  return {};
}

void forEachFormWidget(C_PDF_Document& document, const C_PDF_PageTreeNode_or_Page& page,
                       const std::function<bool(const FormWidgetValues&)>& visit) {
  ObjectResolver* resolver = document.resolver();
  if (!page.annotations || !resolver) return;
  const FormRecord* form = document.form();
  for (const auto& widget : page.annotations->fields) {
    // The form's own record knows the widget's field: its type, flags and value.
    const FieldRecord* field = nullptr;
    if (form && form->fields && widget->keys.objectNumber >= 0)
      field = form->fields->findField(widget->keys.objectNumber, widget->keys.generation);
    if (!visitWidget(field ? *field : *widget, *resolver, page, visit, 0)) return;
  }
}
