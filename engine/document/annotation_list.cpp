#include "engine/document/annotation_list.h"

#include "engine/document/decryptor.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"

namespace {

void readKeys(AnnotationKeys& k) {
  const PdfObject& d = k.dictionary;
  k.Type = d.lookup("Type");
  k.Subtype = d.lookup("Subtype");
  k.Contents = d.lookup("Contents");
  k.P = d.lookup("P");
  k.Rect = d.lookup("Rect");
  k.NM = d.lookup("NM");
  k.M = d.lookup("M");
  k.F = d.lookup("F");
  k.BS = d.lookup("BS");
  k.Border = d.lookup("Border");
  k.AP = d.lookup("AP");
  k.AS = d.lookup("AS");
  k.C = d.lookup("C");
  k.A = d.lookup("A");
  k.AA = d.lookup("AA");
  k.StructParent = d.lookup("StructParent");
  k.OC = d.lookup("OC");
}

int intOf(const PdfObject* value, ObjectResolver& resolver) {
  if (!value) return 0;
  PdfObject storage;
  return resolver.resolved(*value, storage).intValue();
}

// Resolves an element tolerantly; a missing annotation is skipped rather than failing the page.
bool resolveElement(const PdfObject& element, ObjectResolver& resolver, PdfObject& out) {
  try {
    out = resolver.resolve(element);
  } catch (const C_PDF_Exception&) {
    return false;
  }
  out.objectNumber = element.isReference() ? element.objectNumber : out.objectNumber;
  out.generation = element.isReference() ? element.generation : out.generation;
  return out.isDictOrStream();
}

void readLink(AnnotationList& list, AnnotationKeys keys, ObjectResolver& resolver) {
  LinkRecord link;
  link.keys = std::move(keys);
  readKeys(link.keys);
  if (link.keys.A) {
    PdfObject storage;
    const PdfObject* action = link.keys.A;
    try {
      action = &resolver.resolved(*link.keys.A, storage);
    } catch (const C_PDF_Exception&) {
      action = nullptr;
    }
    if (action) {
      if (const PdfObject* uri = action->lookup("URI")) {
        PdfObject uriStorage;
        const PdfObject& u = resolver.resolved(*uri, uriStorage);
        std::string text =
            decryptedString(u, resolver, link.keys.objectNumber, link.keys.generation);
        for (char c : text)
          if (static_cast<uint8_t>(c) >= 32 && c != '{' && c != '}') link.uri.push_back(c);
      }
    }
  }
  if (link.keys.Rect) {
    PdfObject storage;
    const PdfObject& rect = resolver.resolved(*link.keys.Rect, storage);
    for (std::size_t i = 0; i < rect.elements.size() && i < 4; ++i)
      link.rect[link.rectCount++] = rect.elements[i].realValue();
  }
  if (link.uri.empty()) return;
  link.index = static_cast<int>(list.links.size());
  list.links.push_back(std::move(link));
}

int fieldKind(const FieldRecord& f, ObjectResolver& resolver) {
  const int flags = intOf(f.Ff, resolver);
  const int annotationFlags = intOf(f.keys.F, resolver);
  if (annotationFlags & (1 | 2 | 32)) return kFieldHidden;
  if (!f.FT || !f.FT->isName()) return kFieldNone;
  const std::string& type = f.FT->text;
  if (type == "Btn") {
    if (flags & (1 << 16)) return kFieldPushButton;
    if (flags & (1 << 15)) return kFieldRadioButton;
    return kFieldCheckBox;
  }
  if (type == "Tx") {
    if (flags & 1) return kFieldReadOnlyText;
    if (flags & (1 << 12)) return kFieldMultiLineText;
    return kFieldText;
  }
  if (type == "Ch") {
    if (flags & (1 << 17)) return (flags & (1 << 18)) ? kFieldEditableCombo : kFieldCombo;
    return kFieldList;
  }
  if (type == "Sig") return kFieldSignature;
  return kFieldNone;
}

std::string captionOf(const PdfObject* mk, const FieldRecord& f, ObjectResolver& resolver) {
  if (!mk) return {};
  PdfObject storage;
  const PdfObject& m = resolver.resolved(*mk, storage);
  const PdfObject* ca = m.lookup("CA");
  if (!ca) return {};
  PdfObject caStorage;
  return decryptedString(resolver.resolved(*ca, caStorage), resolver, f.keys.objectNumber,
                         f.keys.generation);
}

std::unique_ptr<FieldRecord> readField(AnnotationList& list, AnnotationKeys keys,
                                       FieldRecord* parent, ObjectResolver& resolver, int depth) {
  auto f = std::make_unique<FieldRecord>();
  ++list.fieldCount;
  if (keys.objectNumber >= 0) list.fieldsRead.emplace(keys.objectNumber, keys.generation);
  f->keys = std::move(keys);
  readKeys(f->keys);
  f->parent = parent;
  const PdfObject& d = f->keys.dictionary;
  f->Kids = d.lookup("Kids");
  f->FT = d.lookup("FT");
  f->Ff = d.lookup("Ff");
  f->V = d.lookup("V");
  f->Q = d.lookup("Q");
  f->Opt = d.lookup("Opt");
  f->H = d.lookup("H");
  f->MK = d.lookup("MK");
  if (parent) {
    // Widgets below a field take its type, flags, options and value unless they set their own.
    if (!f->keys.BS) f->keys.BS = parent->keys.BS;
    if (!f->Q) f->Q = parent->Q;
    if (!f->FT) f->FT = parent->FT;
    if (!f->Ff) f->Ff = parent->Ff;
    if (!f->Opt) f->Opt = parent->Opt;
  }
  if (f->V) {
    try {
      f->value = resolver.resolve(*f->V);
    } catch (const C_PDF_Exception&) {
    }
    if (f->value.isString())
      f->value.text = decryptedString(f->value, resolver, f->keys.objectNumber, f->keys.generation);
  } else if (parent) {
    f->value = parent->value;
  }
  f->caption = captionOf(f->MK, *f, resolver);
  if (f->caption.empty() && f->keys.AP) {
    PdfObject apStorage;
    const PdfObject& ap = resolver.resolved(*f->keys.AP, apStorage);
    if (const PdfObject* n = ap.lookup("N")) {
      PdfObject nStorage;
      const PdfObject& normal = resolver.resolved(*n, nStorage);
      if (const PdfObject* mk = normal.lookup("MK")) f->caption = captionOf(mk, *f, resolver);
    }
  }
  if (f->keys.BS) {
    PdfObject bsStorage;
    const PdfObject& bs = resolver.resolved(*f->keys.BS, bsStorage);
    const PdfObject* w = bs.lookup("W");
    f->border = !w || w->realValue() != 0;
    if (const PdfObject* s = bs.lookup("S"); s && s->isName("U")) f->border = false;
  }
  if (f->MK) {
    PdfObject mkStorage;
    const PdfObject& mk = resolver.resolved(*f->MK, mkStorage);
    if (const PdfObject* bc = mk.lookup("BC")) {
      PdfObject bcStorage;
      if (!resolver.resolved(*bc, bcStorage).elements.empty()) f->border = true;
    }
  }
  f->kind = fieldKind(*f, resolver);
  const bool hasKids = f->Kids != nullptr;
  if (f->kind == kFieldRadioButton || f->kind == kFieldCheckBox) {
    if (hasKids)
      ++list.groupCounter;
    else
      f->group = list.groupCounter;
  }
  if ((f->kind == kFieldMultiLineText || f->kind == kFieldText) && !hasKids)
    list.hasTextField = true;
  if (hasKids && depth < AnnotationList::kMaxFieldDepth) {
    PdfObject kidsStorage;
    const PdfObject& kids = resolver.resolved(*f->Kids, kidsStorage);
    for (const PdfObject& kid : kids.elements) {
      AnnotationKeys childKeys;
      if (list.fieldCount >= AnnotationList::kMaxFields) break;
      if (kid.isReference() && list.fieldsRead.count({kid.objectNumber, kid.generation})) continue;
      if (!resolveElement(kid, resolver, childKeys.dictionary)) continue;
      childKeys.objectNumber = childKeys.dictionary.objectNumber;
      childKeys.generation = childKeys.dictionary.generation;
      f->children.push_back(readField(list, std::move(childKeys), f.get(), resolver, depth + 1));
    }
  }
  return f;
}

const FieldRecord* findIn(const std::vector<std::unique_ptr<FieldRecord>>& fields, int32_t number,
                          int32_t generation) {
  for (const auto& f : fields) {
    if (f->keys.objectNumber == number && f->keys.generation == generation) return f.get();
    if (const FieldRecord* found = findIn(f->children, number, generation)) return found;
  }
  return nullptr;
}

}  // namespace

const FieldRecord* AnnotationList::findField(int32_t objectNumber, int32_t generation) const {
  return findIn(fields, objectNumber, generation);
}

std::unique_ptr<AnnotationList> buildAnnotationList(const PdfObject& arrayValue,
                                                    ObjectResolver& resolver, bool formMode) {
  auto list = std::make_unique<AnnotationList>();
  PdfObject storage;
  const PdfObject& array = resolver.resolved(arrayValue, storage);
  for (const PdfObject& element : array.elements) {
    AnnotationKeys keys;
    if (list->fieldCount >= AnnotationList::kMaxFields) break;
    if (element.isReference() && list->fieldsRead.count({element.objectNumber, element.generation}))
      continue;
    if (!resolveElement(element, resolver, keys.dictionary)) continue;
    keys.objectNumber = keys.dictionary.objectNumber;
    keys.generation = keys.dictionary.generation;
    const PdfObject* subtype = keys.dictionary.lookup("Subtype");
    if (!formMode && subtype && subtype->isName("Link")) {
      readLink(*list, std::move(keys), resolver);
    } else if (formMode || (subtype && subtype->isName("Widget"))) {
      list->fields.push_back(readField(*list, std::move(keys), nullptr, resolver, 0));
    }
  }
  return list;
}

std::string decryptedString(const PdfObject& string, ObjectResolver& resolver, int32_t objectNumber,
                            int32_t generation) {
  std::string text = string.text;
  if (const IDecryptor* decryptor = resolver.decryptor()) {
    decryptor->decrypt(text, objectNumber, generation);
    if (text.size() >= 2 && static_cast<uint8_t>(text[0]) == 0xFE &&
        static_cast<uint8_t>(text[1]) == 0xFF) {
      std::string narrow;
      for (std::size_t i = 3; i < text.size(); i += 2) narrow.push_back(text[i]);
      return narrow;
    }
  }
  return text;
}
