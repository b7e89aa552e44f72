#include "engine/render/resource_list.h"

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/pdf_lexer.h"
#include "engine/fonts/global_resource_font.h"
#include "engine/render/colour_space.h"
#include "engine/render/colour_space_factory.h"
#include "engine/render/render_context.h"
#include "engine/render/xobject_descriptor.h"
#include "engine/render/xobject_loader.h"
#include "engine/render/shading.h"

namespace {

// The category's dictionary, resolved; kind None when absent or unreadable.
PdfObject category(const PdfObject& resources, const char* key, ObjectResolver& resolver) {
  const PdfObject* value = resources.lookup(key);
  if (!value) return PdfObject();
  try {
    return resolver.resolve(*value);
  } catch (const C_PDF_Exception&) {
    return PdfObject();
  }
}

}  // namespace

ResourceList::ResourceList(const PdfObject& resourcesValue, RenderContext& context)
    : context_(context) {
  ObjectResolver& resolver = context.resolver();
  PdfObject resources;
  try {
    resources = resolver.resolve(resourcesValue);
  } catch (const C_PDF_Exception&) {
    return;
  }
  fontDictionary = category(resources, "Font", resolver);
  xObjectDictionary = category(resources, "XObject", resolver);
  colourSpaceDictionary = category(resources, "ColorSpace", resolver);
  extGStateDictionary = category(resources, "ExtGState", resolver);
  shadingDictionary = category(resources, "Shading", resolver);
  patternDictionary = category(resources, "Pattern", resolver);
  procSetValue = category(resources, "ProcSet", resolver);
  propertiesDictionary = category(resources, "Properties", resolver);

  // Fonts come first; a font entry whose value is null stands for Times-Roman.
  for (const DictEntry& e : fontDictionary.entries) {
    if (e.value.kind == PdfObjectKind::Null) {
      static const PdfObject kNullFontReplacement = [] {
        static const std::string text =
            " << /Type /Font /Subtype /TrueType /BaseFont /Times-Roman >> ";
        C_PDF_Mem_Buffer buffer(reinterpret_cast<const uint8_t*>(text.data()),
                                static_cast<int32_t>(text.size()));
        PdfLexer lexer(&buffer);
        PdfObject dictionary;
        lexer.readObject(dictionary);
        return dictionary;
      }();
      fonts_[e.key] = context.fonts().load(e.key, kNullFontReplacement);
    } else {
      fonts_[e.key] = context.fonts().load(e.key, e.value);
    }
  }
  for (const DictEntry& e : colourSpaceDictionary.entries) {
    std::string error;
    colourSpaces_[e.key] = createColourSpace(e.value, resolver, &error);
    if (!error.empty()) loadErrors.push_back(error);
  }
  // XObjects after the colour spaces, so that an image may name one of them.
  for (const DictEntry& e : xObjectDictionary.entries)
    if (XObjectDescriptor* x = loadXObject(e.value, context, this)) xObjects_[e.key] = x;
  for (const DictEntry& e : extGStateDictionary.entries) {
    try {
      PdfObject state = resolver.resolve(e.value);
      if (state.isDictOrStream()) extGStates_.emplace(e.key, std::move(state));
    } catch (const C_PDF_Exception&) {
    }
  }
  for (const DictEntry& e : shadingDictionary.entries)
    if (auto shading = loadShading(e.value, context, this)) shadings_[e.key] = std::move(shading);
  for (const DictEntry& e : patternDictionary.entries)
    if (auto pattern = loadPattern(e.value, context, this)) patterns_[e.key] = std::move(pattern);
}

ResourceList::~ResourceList() = default;

template <typename T>
std::shared_ptr<T> ResourceList::findNested(
    const std::map<std::string, std::shared_ptr<T>> ResourceList::*map, const std::string& name,
    int depth) const {
  auto it = (this->*map).find(name);
  if (it != (this->*map).end()) return it->second;
  if (depth >= kMaxNestedSearch) return nullptr;
  for (const auto& [key, form] : xObjects_) {
    if (form && form->resources && form->resources.get() != this)
      if (auto found = form->resources->findNested(map, name, depth + 1)) return found;
  }
  return nullptr;
}

std::shared_ptr<C_PDF_Shading> ResourceList::shading(const std::string& name) const {
  return findNested(&ResourceList::shadings_, name, 0);
}

std::shared_ptr<C_PDF_Pattern> ResourceList::pattern(const std::string& name) const {
  return findNested(&ResourceList::patterns_, name, 0);
}

S_FixedPosSize_Font* ResourceList::font(const std::string& name) const {
  auto it = fonts_.find(name);
  return it == fonts_.end() ? nullptr : it->second;
}

std::shared_ptr<ColourSpace> ResourceList::colourSpace(const std::string& name) const {
  auto it = colourSpaces_.find(name);
  return it == colourSpaces_.end() ? nullptr : it->second;
}

const PdfObject* ResourceList::extGState(const std::string& name) const {
  return extGStateNested(name, 0);
}

const PdfObject* ResourceList::extGStateNested(const std::string& name, int depth) const {
  auto it = extGStates_.find(name);
  if (it != extGStates_.end()) return &it->second;
  if (depth >= kMaxNestedSearch) return nullptr;
  for (const auto& [key, form] : xObjects_) {
    if (form && form->resources && form->resources.get() != this)
      if (const PdfObject* found = form->resources->extGStateNested(name, depth + 1)) return found;
  }
  return nullptr;
}

XObjectDescriptor* ResourceList::xObject(const std::string& name) const {
  return xObjectNested(name, 0);
}

XObjectDescriptor* ResourceList::xObjectNested(const std::string& name, int depth) const {
  auto it = xObjects_.find(name);
  if (it != xObjects_.end()) return it->second;
  if (depth >= kMaxNestedSearch) return nullptr;
  for (const auto& [key, form] : xObjects_) {
    if (form && form->resources && form->resources.get() != this)
      if (XObjectDescriptor* found = form->resources->xObjectNested(name, depth + 1)) return found;
  }
  return nullptr;
}

RenderContext::RenderContext(C_PDF_Document& document) : document_(document) {
  // The document owns its font cache so that fonts are released in its order.
  auto fonts = std::make_unique<C_PDF_Global_Resource_Font>(document);
  fonts_ = fonts.get();
  document_.setFontCache(std::move(fonts));
  document_.setResourceListFactory(
      [this](const PdfObject& resources) -> std::shared_ptr<IResourceList> {
        return loadResources(resources);
      });
}

RenderContext::~RenderContext() { document_.setResourceListFactory(nullptr); }

ObjectResolver& RenderContext::resolver() const { return *document_.resolver(); }

std::shared_ptr<ResourceList> RenderContext::loadResources(const PdfObject& resources) {
  return std::make_shared<ResourceList>(resources, *this);
}
