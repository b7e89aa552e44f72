#pragma once
// PDF functions: m input numbers to n output numbers. Tint transforms of Separation and DeviceN
// colour spaces and the colour functions of shadings.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_object.h"

// What one createFunction call may build: stitching functions can refer to themselves or fan
// out through shared references, so depth, count and decoded bytes are all bounded.
struct FunctionBuildContext {
  // Stitching functions nested deeper than this are unreadable.
  static constexpr int kMaxNesting = 16;
  // Functions built for one top-level function beyond this make it unreadable.
  static constexpr int kMaxFunctions = 4096;
  // Decoded stream bytes (samples, programs) of one top-level function beyond this make it
  // unreadable.
  static constexpr int64_t kMaxDecodedBytes = int64_t{256} << 20;

  explicit FunctionBuildContext(ObjectResolver& r) : resolver(r) {}

  ObjectResolver& resolver;
  int depth = 0;
  int functionsBuilt = 0;
  int64_t decodedBytes = 0;
};

class C_PDF_Function {
 public:
  // Inputs and outputs beyond this make a function unreadable.
  static constexpr int kMaxInputs = 32;
  static constexpr int kMaxOutputs = 32;

  virtual ~C_PDF_Function() = default;

  // Evaluates the function at inputs; inputs missing from the span count as 0 and extra ones
  // are ignored. Returns the number of outputs written to outputs(), or -1 when the input
  // cannot be evaluated (outputs() then holds zeros).
  virtual int evaluate(std::span<const double> inputs) = 0;

  // Reads the function's entries from its dictionary and, for streams, the decoded bytes.
  // False when the function cannot be used.
  virtual bool parse(const PdfObject& dictionary, std::span<const uint8_t> data,
                     FunctionBuildContext& context) = 0;

  // The outputs of the last evaluation.
  std::span<const double> outputs() const { return {outputs_.data(), outputs_.size()}; }
  int inputCount() const { return m; }
  // Declared outputs (Range size / 2, or the C0/C1 size of Type 2); 0 when not declared.
  int outputCount() const { return n; }

  std::vector<double> Domain;
  std::vector<double> Range;

 protected:
  // Reads Domain and Range and sets m and n from them; false when Domain has no input.
  bool parseDomainAndRange(const PdfObject& dictionary, ObjectResolver& resolver);
  // Sizes the output buffer to count zeros and returns its storage.
  double* resetOutputs(int count);
  // The input at index, 0 when the span is shorter.
  static double inputAt(std::span<const double> inputs, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < inputs.size() ? inputs[index] : 0.0;
  }

  int m = 0;
  int n = 0;
  std::vector<double> outputs_;
};

// Builds the function of a function dictionary or stream (resolved when indirect) by its
// FunctionType: 0, 2, 3 or 4. Null for other types and for functions that cannot be read
// (missing or malformed entries, undecodable streams, missing objects).
std::unique_ptr<C_PDF_Function> createFunction(const PdfObject& functionObject,
                                               ObjectResolver& resolver);
// The same within a build already under way (stitching functions build their parts here).
std::unique_ptr<C_PDF_Function> createFunction(const PdfObject& functionObject,
                                               FunctionBuildContext& context);
