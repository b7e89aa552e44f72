#include "engine/forms/form_saver.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/forms/widget_appearance.h"
#include "engine/writer/pdf_writer.h"

namespace {

PdfObject reference(int32_t number, int32_t generation) {
  PdfObject r(PdfObjectKind::Reference);
  r.objectNumber = number;
  r.generation = generation;
  return r;
}

PdfObject number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.4f", value);
  std::string s = buffer;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return PdfObject(PdfObjectKind::Number, s);
}

void set(PdfObject& dict, const std::string& key, PdfObject value) {
  if (PdfObject* existing = dict.lookup(key))
    *existing = std::move(value);
  else
    dict.add(key, std::move(value));
}

// Reads through the document, except for the objects changed in this save, which are read as
// changed (a widget's appearance takes its field's new value from its parent).
class ChangedValues : public AnnotationValues {
 public:
  ChangedValues(ObjectResolver& resolver,
                const std::map<std::pair<int32_t, int32_t>, PdfObject>& changed)
      : resolver_(resolver), changed_(changed) {}
  PdfObject resolve(const PdfObject& value) const override {
    if (value.isReference()) {
      auto found = changed_.find({value.objectNumber, value.generation});
      if (found != changed_.end()) return found->second;
    }
    try {
      return resolver_.resolve(value);
    } catch (const C_PDF_Exception&) {
      return PdfObject();
    }
  }

 private:
  ObjectResolver& resolver_;
  const std::map<std::pair<int32_t, int32_t>, PdfObject>& changed_;
};

// The states a button widget's normal appearance offers.
bool hasState(const PdfObject& widget, const std::string& state, const AnnotationValues& values) {
  const PdfObject* apValue = widget.lookup("AP");
  const PdfObject ap = apValue ? values.resolve(*apValue) : PdfObject();
  const PdfObject* n = ap.isDictionary() ? ap.lookup("N") : nullptr;
  const PdfObject states = n ? values.resolve(*n) : PdfObject();
  return states.isDictionary() && states.lookup(state);
}

}  // namespace

std::string encodeTextString(std::u16string_view text) {
  bool plain = true;
  for (char16_t u : text)
    if (!((u >= 0x20 && u < 0x7F) || u == '\n' || u == '\r' || u == '\t')) plain = false;
  std::string out;
  if (plain) {
    for (char16_t u : text) out.push_back(static_cast<char>(u));
    return out;
  }
  out = "\xFE\xFF";
  for (char16_t u : text) {
    out.push_back(static_cast<char>(u >> 8));
    out.push_back(static_cast<char>(u & 0xFF));
  }
  return out;
}

FormSaveResult saveFieldValues(C_PDF_Document& document, std::string_view original,
                               const std::vector<FieldValueChange>& changes) {
  FormSaveResult result;
  ObjectResolver* resolver = document.resolver();
  const TrailerInfo* trailer = document.trailerInfo();
  if (!resolver || !trailer) {
    result.error = "The document is not open.";
    return result;
  }
  if (trailer->Encrypt || resolver->decryptor()) {
    result.error = "Saving changes to an encrypted document is not supported yet.";
    return result;
  }
  if (changes.size() > kMaxSavedFields) {
    result.error = "Too many changed fields to save at once.";
    return result;
  }
  const PdfObject acroForm = document.form() ? document.form()->dictionary : PdfObject();
  std::map<std::pair<int32_t, int32_t>, PdfObject> changed;
  // Fields first, so that every widget's appearance sees every new value.
  for (const FieldValueChange& change : changes) {
    PdfObject field;
    try {
      field = resolver->resolve(reference(change.objectNumber, change.generation));
    } catch (const C_PDF_Exception&) {
    }
    if (!field.isDictionary()) {
      result.error = "Field " + std::to_string(change.objectNumber) + " " +
                     std::to_string(change.generation) +
                     " R is not a dictionary; nothing was saved.";
      return result;
    }
    const ChangedValues values(*resolver, changed);
    const PdfObject ft = inheritedEntry(field, "FT", values);
    if (ft.isName("Btn")) {
      set(field, "V", PdfObject(PdfObjectKind::Name, change.state.empty() ? "Off" : change.state));
    } else if (ft.isName("Tx") || ft.isName("Ch")) {
      if (change.values.size() == 1 || ft.isName("Tx")) {
        set(field, "V",
            PdfObject(PdfObjectKind::String,
                      encodeTextString(change.values.empty() ? u"" : change.values[0])));
      } else {
        PdfObject array(PdfObjectKind::Array);
        for (const std::u16string& v : change.values)
          array.elements.push_back(PdfObject(PdfObjectKind::String, encodeTextString(v)));
        set(field, "V", std::move(array));
      }
    } else {
      result.error = "Field " + std::to_string(change.objectNumber) + " " +
                     std::to_string(change.generation) +
                     " R is of a type that cannot be filled in; nothing was saved.";
      return result;
    }
    changed[{change.objectNumber, change.generation}] = std::move(field);
  }
  // The widgets: the field itself when it is one, and its kids that are widgets.
  int32_t nextNumber = trailer->Size && trailer->Size->isNumber() ? trailer->Size->intValue() : 0;
  for (const auto& [key, f] : changed) nextNumber = std::max(nextNumber, key.first + 1);
  PdfWriter writer;
  std::vector<std::pair<std::pair<int32_t, int32_t>, PdfObject>> widgets;
  for (const FieldValueChange& change : changes) {
    const auto key = std::make_pair(change.objectNumber, change.generation);
    const PdfObject& field = changed[key];
    if (const PdfObject* subtype = field.lookup("Subtype"); subtype && subtype->isName("Widget"))
      widgets.push_back({key, field});
    const ChangedValues values(*resolver, changed);
    const PdfObject kids =
        field.lookup("Kids") ? values.resolve(*field.lookup("Kids")) : PdfObject();
    std::size_t visited = 0;
    for (const PdfObject& kid : kids.elements) {
      if (++visited > kMaxFieldKids) break;
      if (!kid.isReference()) continue;
      PdfObject widget = values.resolve(kid);
      if (!widget.isDictionary() || widget.lookup("T")) continue;
      widgets.push_back({{kid.objectNumber, kid.generation}, std::move(widget)});
    }
  }
  const ChangedValues values(*resolver, changed);
  for (auto& [key, widget] : widgets) {
    const PdfObject ft = inheritedEntry(widget, "FT", values);
    if (ft.isName("Btn")) {
      const PdfObject v = inheritedEntry(widget, "V", values);
      const std::string state = v.isName() && hasState(widget, v.text, values) ? v.text : "Off";
      set(widget, "AS", PdfObject(PdfObjectKind::Name, state));
      if (hasState(widget, state, values) || state == "Off") {
        changed[key] = std::move(widget);
        continue;
      }
    }
    const std::optional<BuiltAppearance> built = buildWidgetAppearance(widget, acroForm, values);
    if (built) {
      PdfObject stream(PdfObjectKind::Stream);
      stream.add("Type", PdfObject(PdfObjectKind::Name, "XObject"));
      stream.add("Subtype", PdfObject(PdfObjectKind::Name, "Form"));
      PdfObject box(PdfObjectKind::Array);
      for (double v : built->bbox) box.elements.push_back(number(v));
      stream.add("BBox", std::move(box));
      if (built->matrix != std::array<double, 6>{1, 0, 0, 1, 0, 0}) {
        PdfObject matrix(PdfObjectKind::Array);
        for (double v : built->matrix) matrix.elements.push_back(number(v));
        stream.add("Matrix", std::move(matrix));
      }
      if (built->resources.isDictionary()) stream.add("Resources", built->resources);
      stream.text = built->content;
      const int32_t streamNumber = nextNumber++;
      writer.add({streamNumber, 0, std::move(stream)});
      PdfObject ap(PdfObjectKind::Dictionary);
      ap.add("N", reference(streamNumber, 0));
      set(widget, "AP", std::move(ap));
    }
    changed[key] = std::move(widget);
  }
  for (auto& [key, object] : changed) {
    if (!writer.add({key.first, key.second, object})) {
      result.error = "Field " + std::to_string(key.first) + " has an object number a file " +
                     "cannot hold; nothing was saved.";
      return result;
    }
  }
  PdfObject entries(PdfObjectKind::Dictionary);
  if (trailer->Root) entries.add("Root", *trailer->Root);
  if (trailer->Info) entries.add("Info", *trailer->Info);
  if (trailer->ID) entries.add("ID", *trailer->ID);
  result.bytes = writer.incrementalUpdate(original, entries, nextNumber);
  if (!result.bytes) result.error = "The file's cross-reference data cannot be found at its end.";
  return result;
}
