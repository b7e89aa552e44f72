#pragma once
// The work of the colour-space and calculator fuzz targets, shared with the tests that replay
// their findings. Each run traps when a result breaks its contract.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/pdf_text_input.h"
#include "engine/render/colour_conversion.h"
#include "engine/render/colour_space_factory.h"
#include "engine/render/function.h"

namespace render_fuzz {

inline void check(bool condition) {
  if (!condition) __builtin_trap();
}

inline PdfObject numberArray(const std::vector<const char*>& numbers) {
  PdfObject array(PdfObjectKind::Array);
  for (const char* n : numbers) array.elements.emplace_back(PdfObjectKind::Number, n);
  return array;
}

// Inputs every function is evaluated at.
inline std::vector<std::vector<double>> probeInputs() {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  return {{0, 0, 0, 0},        {0.5, 0.25, 1, 0},    {1, 1, 1, 1},      {-1, 2, -3, 4},
          {1e10, -1e10, 3, 7}, {nan, nan, nan, nan}, {inf, -inf, 0, 1}, {}};
}

inline void probeFunction(C_PDF_Function& function) {
  for (const std::vector<double>& inputs : probeInputs()) {
    const int count = function.evaluate(inputs);
    check(count >= -1 && count <= C_PDF_Function::kMaxOutputs);
    if (count >= 0) check(function.outputs().size() == static_cast<std::size_t>(count));
  }
}

// First byte: inputs 1..4 and outputs 1..4; the rest: the program text.
inline void runType4Input(const uint8_t* data, std::size_t size) {
  if (size < 1) return;
  const int inputs = 1 + data[0] % 4;
  const int outputs = 1 + (data[0] / 4) % 4;
  PdfObject function(PdfObjectKind::Stream);
  function.add("FunctionType", PdfObject(PdfObjectKind::Number, "4"));
  std::vector<const char*> domain, range;
  for (int i = 0; i < inputs; ++i) domain.insert(domain.end(), {"-1000000", "1000000"});
  for (int i = 0; i < outputs; ++i) range.insert(range.end(), {"-1000000", "1000000"});
  function.add("Domain", numberArray(domain));
  function.add("Range", numberArray(range));
  function.text.assign(reinterpret_cast<const char*>(data + 1), size - 1);
  ObjectResolver resolver(nullptr, nullptr);
  std::unique_ptr<C_PDF_Function> f = createFunction(function, resolver);
  if (!f) return;
  for (const std::vector<double>& values : probeInputs()) {
    const int count = f->evaluate(values);
    check(count == -1 || count == outputs);
    check(f->outputs().size() == static_cast<std::size_t>(outputs));
  }
}

// The input is PDF text: a colour-space (or function) value first, then any objects it refers
// to ("1 0 obj ... endobj"), found by the document's reconstruction scan.
inline void runColourSpaceInput(const uint8_t* data, std::size_t size) {
  PdfTextInput input(data, size);
  const PdfObject& value = input.value;
  ObjectResolver& resolver = input.resolver();

  std::string error;
  std::shared_ptr<ColourSpace> space = createColourSpace(value, resolver, &error);
  check(space != nullptr);
  check(error.empty() || error == kColourErrorUnknownName || error == kColourErrorUnknownArray);
  for (bool nonStroking : {false, true}) {
    space->nonStroking = nonStroking;
    for (const std::vector<double>& c : probeInputs()) {
      if (c.size() < 4) continue;
      check(toColorref(c[0], c[1], c[2], c[3], *space) <= 0xFFFFFF);
    }
    check(initialColour(*space, &error) <= 0xFFFFFF);
    const uint8_t samples[][8] = {{0, 0, 0, 0, 0, 0, 0, 0}, {255, 128, 1, 3, 15, 200, 7, 9}};
    for (const uint8_t* sample : samples)
      for (int bits : {1, 2, 4, 8, 16})
        for (std::size_t count : {std::size_t{1}, std::size_t{3}, std::size_t{8}})
          sampleToRgb({sample, count}, bits, *space);
  }

  if (std::unique_ptr<C_PDF_Function> function = createFunction(value, resolver))
    probeFunction(*function);
}

}  // namespace render_fuzz
