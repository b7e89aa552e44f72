#pragma once
// Links and form fields of a page, and the document's interactive-form record.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/document/field_kind.h"
#include "engine/document/pdf_object.h"

class ObjectResolver;

// Keys every annotation record keeps.
struct AnnotationKeys {
  PdfObject dictionary;  // the resolved annotation; the pointers below point into it
  const PdfObject* Type = nullptr;
  const PdfObject* Subtype = nullptr;
  const PdfObject* Contents = nullptr;
  const PdfObject* P = nullptr;
  const PdfObject* Rect = nullptr;
  const PdfObject* NM = nullptr;
  const PdfObject* M = nullptr;
  const PdfObject* F = nullptr;
  const PdfObject* BS = nullptr;
  const PdfObject* Border = nullptr;
  const PdfObject* AP = nullptr;
  const PdfObject* AS = nullptr;
  const PdfObject* C = nullptr;
  const PdfObject* A = nullptr;
  const PdfObject* AA = nullptr;
  const PdfObject* StructParent = nullptr;
  const PdfObject* OC = nullptr;
  int32_t objectNumber = -1;
  int32_t generation = -1;
};

struct LinkRecord {
  AnnotationKeys keys;
  int index = 0;    // 0, 1, 2 ... among the page's links
  std::string uri;  // without control bytes and braces
  double rect[4] = {0, 0, 0, 0};
  int rectCount = 0;
};

struct FieldRecord {
  AnnotationKeys keys;
  const PdfObject* Kids = nullptr;
  const PdfObject* FT = nullptr;
  const PdfObject* Ff = nullptr;
  const PdfObject* V = nullptr;
  const PdfObject* Q = nullptr;
  const PdfObject* Opt = nullptr;
  const PdfObject* H = nullptr;
  const PdfObject* MK = nullptr;
  PdfObject value;      // V resolved (strings decrypted)
  std::string caption;  // CA of MK
  bool border = false;
  int group = 0;  // radio buttons and check boxes
  int kind = kFieldNone;
  FieldRecord* parent = nullptr;
  std::vector<std::unique_ptr<FieldRecord>> children;
};

struct AnnotationList {
  // Nesting of field kids deeper than this is not read.
  static constexpr int kMaxFieldDepth = 64;
  // Field records of one list, at most.
  static constexpr std::size_t kMaxFields = 100000;

  std::vector<LinkRecord> links;
  std::vector<std::unique_ptr<FieldRecord>> fields;
  int groupCounter = 0;
  // A text field of kind 21 or 22 without kids was read.
  bool hasTextField = false;

  // Indirect fields read so far: a field tree names each field once, so a kid seen before
  // (an ancestor, or a field shared by two parents) is not read again.
  std::set<std::pair<int32_t, int32_t>> fieldsRead;
  std::size_t fieldCount = 0;

  // The field with this object number and generation, searching depth-first.
  const FieldRecord* findField(int32_t objectNumber, int32_t generation) const;
};

// Builds the list from an Annots or Fields array. In form mode every element is a field.
std::unique_ptr<AnnotationList> buildAnnotationList(const PdfObject& array,
                                                    ObjectResolver& resolver, bool formMode);

struct FormRecord {
  PdfObject dictionary;
  const PdfObject* Fields = nullptr;
  const PdfObject* NeedApperances = nullptr;
  const PdfObject* SigFlags = nullptr;
  const PdfObject* CO = nullptr;
  const PdfObject* DR = nullptr;
  const PdfObject* DA = nullptr;
  const PdfObject* Q = nullptr;
  const PdfObject* XFA = nullptr;
  std::unique_ptr<AnnotationList> fields;
};

// Reads a decrypted string for the object (number, generation); in an encrypted document the
// bytes are decrypted, and a result starting with FE FF keeps the low byte of each unit.
std::string decryptedString(const PdfObject& string, ObjectResolver& resolver, int32_t objectNumber,
                            int32_t generation);
