#include "engine/render/function.h"

#include "engine/document/pdf_exception.h"
#include "engine/render/function_type0.h"
#include "engine/render/function_type2.h"
#include "engine/render/function_type3.h"
#include "engine/render/function_type4.h"
#include "engine/render/resolved_values.h"

bool C_PDF_Function::parseDomainAndRange(const PdfObject& dictionary, ObjectResolver& resolver) {
  readNumbers(dictionary.lookup("Domain"), resolver, Domain);
  readNumbers(dictionary.lookup("Range"), resolver, Range);
  m = static_cast<int>(Domain.size() / 2);
  n = static_cast<int>(Range.size() / 2);
  return m >= 1 && m <= kMaxInputs && n <= kMaxOutputs;
}

double* C_PDF_Function::resetOutputs(int count) {
  outputs_.assign(static_cast<std::size_t>(count), 0.0);
  return outputs_.data();
}

std::unique_ptr<C_PDF_Function> createFunction(const PdfObject& functionObject,
                                               ObjectResolver& resolver) {
  FunctionBuildContext context(resolver);
  return createFunction(functionObject, context);
}

std::unique_ptr<C_PDF_Function> createFunction(const PdfObject& functionObject,
                                               FunctionBuildContext& context) {
  if (context.depth >= FunctionBuildContext::kMaxNesting ||
      context.functionsBuilt >= FunctionBuildContext::kMaxFunctions)
    return nullptr;
  ++context.functionsBuilt;
  try {
    PdfObject storage;
    const PdfObject& function = context.resolver.resolved(functionObject, storage);
    if (!function.isDictOrStream()) return nullptr;
    int32_t type = -1;
    if (!readInteger(function.lookup("FunctionType"), context.resolver, type)) return nullptr;

    std::unique_ptr<C_PDF_Function> result;
    switch (type) {
      case 0:
        result = std::make_unique<C_PDF_Function_Type0>();
        break;
      case 2:
        result = std::make_unique<C_PDF_Function_Type2>();
        break;
      case 3:
        result = std::make_unique<C_PDF_Function_Type3>();
        break;
      case 4:
        result = std::make_unique<C_PDF_Function_Type4>();
        break;
      default:
        return nullptr;
    }
    std::vector<uint8_t> data;
    if (type == 0 || type == 4) {
      if (!function.isStream()) return nullptr;
      if (context.resolver.decodeStream(data, function) < 0) return nullptr;
      context.decodedBytes += static_cast<int64_t>(data.size());
      if (context.decodedBytes > FunctionBuildContext::kMaxDecodedBytes) return nullptr;
    }
    struct DepthScope {
      int& depth;
      explicit DepthScope(int& d) : depth(d) { ++depth; }
      ~DepthScope() { --depth; }
    } scope(context.depth);
    if (!result->parse(function, data, context)) return nullptr;
    return result;
  } catch (const C_PDF_Exception&) {
    // A missing object or a malformed filter makes this function unreadable, nothing more.
    return nullptr;
  }
}
