#pragma once
// The named resources of a page, form, tiling pattern or Type 3 font, loaded once from a
// Resources dictionary.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/document/document_hooks.h"
#include "engine/document/pdf_object.h"

class ColourSpace;
struct S_FixedPosSize_Font;
class ObjectResolver;
class RenderContext;
struct XObjectDescriptor;
struct C_PDF_Shading;
struct C_PDF_Pattern;

class ResourceList : public IResourceList {
 public:
  // Lookups that miss descend into the lists of the list's forms this deep at most.
  static constexpr int kMaxNestedSearch = 8;

  ResourceList(const PdfObject& resources, RenderContext& context);
  ~ResourceList() override;

  // The category dictionaries as found (resolved; kind None when absent).
  PdfObject extGStateDictionary;
  PdfObject colourSpaceDictionary;
  PdfObject patternDictionary;
  PdfObject shadingDictionary;
  PdfObject xObjectDictionary;
  PdfObject fontDictionary;
  PdfObject procSetValue;
  PdfObject propertiesDictionary;

  // A font by resource name; nullptr when the name is not defined here.
  S_FixedPosSize_Font* font(const std::string& name) const;
  // A colour space by resource name; nullptr when the name is not defined here.
  std::shared_ptr<ColourSpace> colourSpace(const std::string& name) const;
  // An ExtGState dictionary by name, searching nested lists when it is not defined here;
  // nullptr when it is nowhere.
  const PdfObject* extGState(const std::string& name) const;
  // An XObject by name (only XObject entries), searching nested lists as above.
  XObjectDescriptor* xObject(const std::string& name) const;

  // A shading or pattern by name, searching nested lists when not defined here.
  std::shared_ptr<C_PDF_Shading> shading(const std::string& name) const;
  std::shared_ptr<C_PDF_Pattern> pattern(const std::string& name) const;

  RenderContext& context() const { return context_; }

  // Messages met while loading (insertions of message 60), for the drawing to report.
  std::vector<std::string> loadErrors;

 private:
  const PdfObject* extGStateNested(const std::string& name, int depth) const;
  XObjectDescriptor* xObjectNested(const std::string& name, int depth) const;

  RenderContext& context_;
  std::map<std::string, S_FixedPosSize_Font*> fonts_;
  std::map<std::string, std::shared_ptr<ColourSpace>> colourSpaces_;
  std::map<std::string, PdfObject> extGStates_;
  std::map<std::string, XObjectDescriptor*> xObjects_;
  std::map<std::string, std::shared_ptr<C_PDF_Shading>> shadings_;
  std::map<std::string, std::shared_ptr<C_PDF_Pattern>> patterns_;
  template <typename T>
  std::shared_ptr<T> findNested(const std::map<std::string, std::shared_ptr<T>> ResourceList::*map,
                                const std::string& name, int depth) const;
};
