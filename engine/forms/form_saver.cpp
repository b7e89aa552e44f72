#include "engine/forms/form_saver.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/security_handler.h"
#include "engine/document/xref_table.h"
#include "engine/forms/decrypted_values.h"
#include "engine/forms/widget_appearance.h"
#include "engine/writer/object_encryptor.h"
#include "engine/writer/object_serializer.h"
#include "engine/writer/pdf_writer.h"
#include "platform/system/file_store.h"

namespace {

using ObjectKey = std::pair<int32_t, int32_t>;

constexpr int kFlagPushButton = 1 << 16;
constexpr int kFlagMultiSelect = 1 << 21;

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

std::string named(const ObjectKey& key) {
  return std::to_string(key.first) + " " + std::to_string(key.second) + " R";
}

// Reads through the document, except for the objects changed in this save, which are read as
// changed (a widget's appearance takes its field's new value from its parent). Every value it
// gives holds its strings in clear, so that copies into new objects can be encrypted with
// their new object's key.
class ChangedValues : public DecryptedValues {
 public:
  ChangedValues(ObjectResolver& resolver, const XrefTable* table,
                const std::map<ObjectKey, PdfObject>& changed)
      : DecryptedValues(resolver, table), changed_(changed) {}
  PdfObject resolve(const PdfObject& value) const override {
    if (value.isReference()) {
      auto found = changed_.find({value.objectNumber, value.generation});
      if (found != changed_.end()) return found->second;
    }
    return DecryptedValues::resolve(value);
  }

 private:
  const std::map<ObjectKey, PdfObject>& changed_;
};

// The states a button widget's normal appearance offers.
bool hasState(const PdfObject& widget, const std::string& state, const AnnotationValues& values) {
  const PdfObject* apValue = widget.lookup("AP");
  const PdfObject ap = apValue ? values.resolve(*apValue) : PdfObject();
  const PdfObject* n = ap.isDictionary() ? ap.lookup("N") : nullptr;
  const PdfObject states = n ? values.resolve(*n) : PdfObject();
  return states.isDictionary() && states.lookup(state);
}

// The field a change names: the object itself, or for a widget without a name the nearest
// parent that has one (the widget's field). Sets error when there is none or the parents loop.
std::optional<ObjectKey> fieldOf(const ObjectKey& key, const PdfObject& object,
                                 const AnnotationValues& values, std::string& error) {
  ObjectKey current = key;
  PdfObject node = object;
  std::set<ObjectKey> seen{key};
  for (int depth = 0; depth <= kMaxFieldParents; ++depth) {
    if (node.lookup("T")) return current;
    const PdfObject* parent = node.lookup("Parent");
    if (!parent || !parent->isReference()) break;
    current = {parent->objectNumber, parent->generation};
    if (!seen.insert(current).second) {
      error = "Field " + named(key) + " has parents that lead back to it; nothing was saved.";
      return std::nullopt;
    }
    node = values.resolve(*parent);
    if (!node.isDictionary()) break;
  }
  error = "Field " + named(key) + " has no name (T); nothing was saved.";
  return std::nullopt;
}

// A kid below node (at any depth) that is node itself or one of its parents; nodes already
// seen count as parents.
std::optional<ObjectKey> kidLoop(const PdfObject& node, std::set<ObjectKey>& seen,
                                 const AnnotationValues& values, int depth = 0) {
  const PdfObject* kidsValue = node.lookup("Kids");
  if (!kidsValue || depth > kMaxFieldParents || seen.size() > kMaxFieldKids) return std::nullopt;
  const PdfObject kids = values.resolve(*kidsValue);
  for (const PdfObject& kid : kids.elements) {
    if (!kid.isReference()) continue;
    if (!seen.insert({kid.objectNumber, kid.generation}).second)
      return ObjectKey{kid.objectNumber, kid.generation};
    if (auto loop = kidLoop(values.resolve(kid), seen, values, depth + 1)) return loop;
  }
  return std::nullopt;
}

// Whether the value fits the field's type; sets error when it does not.
bool valueFits(const ObjectKey& key, const PdfObject& ft, int flags, const FieldValueChange& change,
               std::string& error) {
  const std::string field = "Field " + named(key);
  if (ft.isName("Btn")) {
    if (flags & kFlagPushButton) {
      error = field + " is a push button, which holds no value; nothing was saved.";
      return false;
    }
    if (!change.values.empty() && change.state.empty()) {
      error = field + " is a check box or radio button: its value is a state, not text; " +
              "nothing was saved.";
      return false;
    }
    return true;
  }
  if (!change.state.empty() && change.values.empty()) {
    error = field + " takes text, not a button state; nothing was saved.";
    return false;
  }
  if (change.values.size() > 1 && (ft.isName("Tx") || !(flags & kFlagMultiSelect))) {
    error = field + " takes one value, not " + std::to_string(change.values.size()) +
            "; nothing was saved.";
    return false;
  }
  return true;
}

// The page objects of the document, and the annotations their Annots arrays name.
class PageIndex {
 public:
  // Pages and page-tree levels visited at most.
  static constexpr std::size_t kMaxPages = 1000000;
  static constexpr int kMaxDepth = 64;

  PageIndex(const PdfObject* pages, const AnnotationValues& values) {
    if (pages) walk(*pages, values, 0);
  }
  bool isPage(const PdfObject& p) const {
    return p.isReference() && pages_.count({p.objectNumber, p.generation});
  }
  bool listed(const ObjectKey& annotation) const { return annotations_.count(annotation) > 0; }

 private:
  void walk(const PdfObject& node, const AnnotationValues& values, int depth) {
    if (depth > kMaxDepth || !node.isReference() || pages_.size() >= kMaxPages) return;
    const ObjectKey key{node.objectNumber, node.generation};
    if (!seen_.insert(key).second) return;
    const PdfObject dict = values.resolve(node);
    if (!dict.isDictionary()) return;
    if (const PdfObject* kids = dict.lookup("Kids")) {
      const PdfObject array = values.resolve(*kids);
      for (const PdfObject& kid : array.elements) walk(kid, values, depth + 1);
      return;
    }
    pages_.insert(key);
    if (const PdfObject* annots = dict.lookup("Annots")) {
      const PdfObject array = values.resolve(*annots);
      for (const PdfObject& a : array.elements)
        if (a.isReference()) annotations_.insert({a.objectNumber, a.generation});
    }
  }
  std::set<ObjectKey> seen_, pages_, annotations_;
};

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
  const C_PDF_SecurityHandler* security = document.securityHandler();
  if ((trailer->Encrypt || resolver->decryptor()) && !security) {
    result.error = "The document's encryption is not one this reader can write; nothing was saved.";
    return result;
  }
  // Filling in is allowed by its own bit or by the one for annotations, which includes it.
  if (!document.allows(DocumentPermission::FillForms) &&
      !document.allows(DocumentPermission::Annotate)) {
    result.error = "The document's author does not allow filling in its form; nothing was saved.";
    return result;
  }
  if (changes.size() > kMaxSavedFields) {
    result.error = "Too many changed fields to save at once.";
    return result;
  }
  std::map<ObjectKey, PdfObject> changed;
  const ChangedValues values(*resolver, document.xrefTable(), changed);
  // The form dictionary through the catalog, so that its strings read in clear.
  PdfObject acroForm;
  if (trailer->Root) {
    const PdfObject catalog = values.resolve(*trailer->Root);
    if (const PdfObject* form = catalog.isDictionary() ? catalog.lookup("AcroForm") : nullptr)
      acroForm = values.resolve(*form);
  }
  if (!acroForm.isDictionary() && document.form() && !security)
    acroForm = document.form()->dictionary;

  // Fields first, so that every widget's appearance sees every new value. The order of the
  // changes is kept: it decides which widgets are built first.
  std::vector<ObjectKey> fields;
  for (const FieldValueChange& change : changes) {
    const ObjectKey named{change.objectNumber, change.generation};
    PdfObject object = values.resolve(reference(change.objectNumber, change.generation));
    if (!object.isDictionary()) {
      result.error = "Field " + ::named(named) + " is not a dictionary; nothing was saved.";
      return result;
    }
    const std::optional<ObjectKey> key = fieldOf(named, object, values, result.error);
    if (!key) return result;
    PdfObject field =
        *key == named ? std::move(object) : values.resolve(reference(key->first, key->second));
    const PdfObject ft = inheritedEntry(field, "FT", values);
    const PdfObject ff = inheritedEntry(field, "Ff", values);
    const int flags = ff.isNumber() ? ff.intValue() : 0;
    if (!ft.isName("Btn") && !ft.isName("Tx") && !ft.isName("Ch")) {
      result.error = "Field " + ::named(*key) + " is of a type that cannot be filled in; " +
                     "nothing was saved.";
      return result;
    }
    if (!valueFits(*key, ft, flags, change, result.error)) return result;
    if (ft.isName("Btn")) {
      set(field, "V", PdfObject(PdfObjectKind::Name, change.state.empty() ? "Off" : change.state));
    } else if (change.values.size() == 1 || ft.isName("Tx")) {
      set(field, "V",
          PdfObject(PdfObjectKind::String,
                    encodeTextString(change.values.empty() ? u"" : change.values[0])));
    } else {
      PdfObject array(PdfObjectKind::Array);
      for (const std::u16string& v : change.values)
        array.elements.push_back(PdfObject(PdfObjectKind::String, encodeTextString(v)));
      set(field, "V", std::move(array));
    }
    if (!changed.count(*key)) fields.push_back(*key);
    changed[*key] = std::move(field);
  }

  // The widgets: the field itself when it is one, and its kids that are widgets. A kid that is
  // the field or one of its parents would make the tree a loop.
  std::vector<std::pair<ObjectKey, PdfObject>> widgets;
  std::set<ObjectKey> widgetKeys;
  for (const ObjectKey& key : fields) {
    const PdfObject& field = changed[key];
    std::set<ObjectKey> ancestors{key};
    PdfObject node = field;
    for (int depth = 0; depth < kMaxFieldParents; ++depth) {
      const PdfObject* parent = node.lookup("Parent");
      if (!parent || !parent->isReference()) break;
      if (!ancestors.insert({parent->objectNumber, parent->generation}).second) break;
      node = values.resolve(*parent);
    }
    if (const PdfObject* subtype = field.lookup("Subtype"); subtype && subtype->isName("Widget"))
      if (widgetKeys.insert(key).second) widgets.push_back({key, field});
    const PdfObject kids =
        field.lookup("Kids") ? values.resolve(*field.lookup("Kids")) : PdfObject();
    if (kids.elements.size() > kMaxFieldKids) {
      result.error = "Field " + named(key) + " has more than " + std::to_string(kMaxFieldKids) +
                     " kids; nothing was saved.";
      return result;
    }
    if (const std::optional<ObjectKey> loop = kidLoop(field, ancestors, values)) {
      result.error = "Field " + named(key) + " has a kid (" + named(*loop) +
                     ") that is the field itself or one of its parents; nothing was saved.";
      return result;
    }
    for (const PdfObject& kid : kids.elements) {
      if (!kid.isReference()) continue;
      const ObjectKey kidKey{kid.objectNumber, kid.generation};
      PdfObject widget = values.resolve(kid);
      if (!widget.isDictionary() || widget.lookup("T")) continue;
      if (widgetKeys.insert(kidKey).second) widgets.push_back({kidKey, std::move(widget)});
    }
  }
  // Every widget to be drawn anew must be on a page: its P, or a page's Annots naming it. The
  // page tree is walked only when some widget's P is not a page.
  const PdfObject catalog = trailer->Root ? values.resolve(*trailer->Root) : PdfObject();
  const PdfObject* pagesRoot = catalog.isDictionary() ? catalog.lookup("Pages") : nullptr;
  std::optional<PageIndex> pages;
  for (const auto& [key, widget] : widgets) {
    const PdfObject* p = widget.lookup("P");
    const PdfObject page = p && p->isReference() ? values.resolve(*p) : PdfObject();
    const PdfObject* type = page.isDictionary() ? page.lookup("Type") : nullptr;
    if (type && type->isName("Page")) continue;
    if (!pages) pages.emplace(pagesRoot, values);
    if ((p && pages->isPage(*p)) || pages->listed(key)) continue;
    result.error = "Widget " + named(key) + " is on no page of the document; nothing was saved.";
    return result;
  }

  int32_t nextNumber = trailer->Size && trailer->Size->isNumber() ? trailer->Size->intValue() : 0;
  for (const auto& [key, f] : changed) nextNumber = std::max(nextNumber, key.first + 1);
  for (const auto& [key, w] : widgets) nextNumber = std::max(nextNumber, key.first + 1);
  // A damaged file may define objects beyond its Size; new objects must not take their numbers.
  if (const XrefTable* table = document.xrefTable())
    for (const XrefEntry& entry : table->entries())
      nextNumber = std::max(nextNumber, entry.objectNumber + 1);
  std::vector<WrittenObject> written;
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
      std::string compressed = flateCompress(built->content);
      if (!compressed.empty()) {
        stream.add("Filter", PdfObject(PdfObjectKind::Name, "FlateDecode"));
        stream.text = std::move(compressed);
      } else {
        stream.text = built->content;
      }
      const int32_t streamNumber = nextNumber++;
      written.push_back({streamNumber, 0, std::move(stream)});
      PdfObject ap(PdfObjectKind::Dictionary);
      ap.add("N", reference(streamNumber, 0));
      set(widget, "AP", std::move(ap));
    }
    changed[key] = std::move(widget);
  }
  for (auto& [key, object] : changed) written.push_back({key.first, key.second, object});

  // An encrypted document's new objects are encrypted as its own are; the trailer and a
  // cross-reference stream stay in clear.
  PdfWriter writer;
  std::optional<ObjectEncryptor> encryptor;
  if (security)
    encryptor.emplace(security->fileKey(), security->stringMethod(), security->streamMethod());
  for (WrittenObject& object : written) {
    if (encryptor && !encryptor->encrypt(object.value, object.number, object.generation)) {
      result.error =
          "The changes cannot be encrypted as the document is (the crypto library "
          "is not available); nothing was saved.";
      return result;
    }
    const int32_t objectNumber = object.number;
    if (!writer.add(std::move(object))) {
      result.error = "Field " + std::to_string(objectNumber) + " has an object number a file " +
                     "cannot hold; nothing was saved.";
      return result;
    }
  }
  PdfObject entries(PdfObjectKind::Dictionary);
  if (trailer->Root) entries.add("Root", *trailer->Root);
  if (trailer->Info) entries.add("Info", *trailer->Info);
  if (trailer->Encrypt) entries.add("Encrypt", *trailer->Encrypt);
  if (trailer->ID) entries.add("ID", *trailer->ID);
  result.bytes = writer.incrementalUpdate(original, entries, nextNumber);
  if (!result.bytes) result.error = "The file's cross-reference data cannot be found at its end.";
  return result;
}

FormSaveResult saveFieldValuesToFile(C_PDF_Document& document, std::string_view original,
                                     const std::vector<FieldValueChange>& changes,
                                     const std::string& path) {
  FormSaveResult result = saveFieldValues(document, original, changes);
  if (!result.bytes) return result;
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  errno = 0;
  if (brevia::platform::writeFileAtomically(folder, name, *result.bytes).empty()) {
    const int cause = errno;
    result.bytes.reset();
    result.error = "The file " + path + " could not be written";
    if (cause != 0) result.error += std::string(" (") + std::strerror(cause) + ")";
    result.error += "; it was left as it was.";
  }
  return result;
}
