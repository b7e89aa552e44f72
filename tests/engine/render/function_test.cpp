#include "engine/render/function.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/render/function_type4.h"
#include "fuzz/render_fuzz_harness.h"
#include "tests/engine/render/object_text.h"

namespace {

using render_test::MemoryDocument;
using render_test::NoDocument;
using render_test::parse;
using render_test::stream;

std::unique_ptr<C_PDF_Function> function(const PdfObject& object) {
  NoDocument none;
  return createFunction(object, none.resolver);
}

// A one-input calculator function with the given number of outputs.
std::unique_ptr<C_PDF_Function> calculator(const std::string& program, int outputs = 1) {
  std::string range;
  for (int i = 0; i < outputs; ++i) range += " -1000 1000";
  return function(
      stream("<< /FunctionType 4 /Domain [-1000 1000] /Range [" + range + "] >>", program));
}

double evaluateOne(C_PDF_Function& f, double x) {
  EXPECT_EQ(f.evaluate({&x, 1}), 1);
  return f.outputs()[0];
}

TEST(Function, Type2InterpolatesEveryOutput) {
  auto f = function(parse("<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>"));
  ASSERT_TRUE(f);
  const double x = 0.5;
  ASSERT_EQ(f->evaluate({&x, 1}), 3);
  EXPECT_DOUBLE_EQ(f->outputs()[0], 0.5);
  EXPECT_DOUBLE_EQ(f->outputs()[1], 0.0);
  EXPECT_DOUBLE_EQ(f->outputs()[2], 0.5);

  auto squared = function(parse("<< /FunctionType 2 /Domain [0 1] /N 2 >>"));
  ASSERT_TRUE(squared);
  EXPECT_DOUBLE_EQ(evaluateOne(*squared, 0.5), 0.25);

  // Only C1: its size decides n, and the missing C0 entries are 0.
  auto onlyC1 = function(parse("<< /FunctionType 2 /Domain [0 1] /C1 [0.5 1] /N 1 >>"));
  ASSERT_TRUE(onlyC1);
  EXPECT_EQ(onlyC1->outputCount(), 2);
  // A shorter C1 reads its default 1 rather than past its end.
  auto shortC1 = function(parse("<< /FunctionType 2 /Domain [0 1] /C0 [0 0] /C1 [0.5] /N 1 >>"));
  ASSERT_TRUE(shortC1);
  const double one = 1.0;
  ASSERT_EQ(shortC1->evaluate({&one, 1}), 2);
  EXPECT_DOUBLE_EQ(shortC1->outputs()[1], 1.0);

  EXPECT_FALSE(function(parse("<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] >>")));  // no N
  EXPECT_FALSE(function(parse("<< /FunctionType 2 /C0 [0] /C1 [1] /N 1 >>")));  // no Domain
}

TEST(Function, Type3UsesClosedLastInterval) {
  auto f =
      function(parse("<< /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 0 1] /Functions ["
                     "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [0] /N 1 >>"
                     "<< /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [1] /N 1 >> ] >>"));
  ASSERT_TRUE(f);
  EXPECT_DOUBLE_EQ(evaluateOne(*f, 0.25), 0.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*f, 0.5), 1.0);  // a bound belongs to the interval it starts
  EXPECT_DOUBLE_EQ(evaluateOne(*f, 1.0), 1.0);  // the end of the domain to the last one
  const double outside = 1.5;
  EXPECT_EQ(f->evaluate({&outside, 1}), -1);
  const double below = -0.1;
  EXPECT_EQ(f->evaluate({&below, 1}), -1);

  // Encode maps each interval onto its sub-function's domain (here reversed).
  auto encoded = function(parse(
      "<< /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 1 0] /Functions ["
      "<< /FunctionType 2 /Domain [0 1] /N 1 >> << /FunctionType 2 /Domain [0 1] /N 1 >> ] >>"));
  ASSERT_TRUE(encoded);
  EXPECT_DOUBLE_EQ(evaluateOne(*encoded, 0.75), 0.5);
  EXPECT_DOUBLE_EQ(evaluateOne(*encoded, 0.25), 0.5);

  // Bounds must hold k - 1 values and every part must be readable.
  EXPECT_FALSE(
      function(parse("<< /FunctionType 3 /Domain [0 1] /Bounds [] /Encode [0 1 0 1] "
                     "/Functions [<< /FunctionType 2 /Domain [0 1] /N 1 >> "
                     "<< /FunctionType 2 /Domain [0 1] /N 1 >>] >>")));
  EXPECT_FALSE(
      function(parse("<< /FunctionType 3 /Domain [0 1] /Encode [0 1] "
                     "/Functions [<< /FunctionType 7 >>] >>")));
}

TEST(Function, StitchingThatContainsItselfIsUnreadable) {
  testing_pdf::PdfBuilder builder;
  builder.set(1,
              "<< /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 0 1] "
              "/Functions [1 0 R 1 0 R] >>");
  builder.set(2, "<< /FunctionType 3 /Domain [0 1] /Encode [0 1] /Functions [9 0 R] >>");
  MemoryDocument document(builder);
  EXPECT_FALSE(createFunction(MemoryDocument::reference(1), document.resolver()));
  // A missing part makes the function unreadable without closing the document.
  EXPECT_FALSE(createFunction(MemoryDocument::reference(2), document.resolver()));
  EXPECT_TRUE(document.resolver().usable());
}

TEST(Function, Type4CalculatesWithExactFinalDepth) {
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ 2 exch sub }"), 0.25), 1.75);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ dup mul }"), 3), 9.0);

  // Two values left where Range declares one: the evaluation fails.
  auto twoLeft = calculator("{ dup }");
  ASSERT_TRUE(twoLeft);
  const double x = 1;
  EXPECT_EQ(twoLeft->evaluate({&x, 1}), -1);
  EXPECT_EQ(calculator("{ pop }")->evaluate({&x, 1}), -1);
  auto two = calculator("{ dup 2 mul }", 2);
  ASSERT_EQ(two->evaluate({&x, 1}), 2);
  EXPECT_DOUBLE_EQ(two->outputs()[0], 1.0);  // from the bottom of the stack
  EXPECT_DOUBLE_EQ(two->outputs()[1], 2.0);
}

TEST(Function, Type4Conditionals) {
  auto f = calculator("{ dup 0.5 gt { 1 } { 0 } ifelse exch pop }");
  EXPECT_DOUBLE_EQ(evaluateOne(*f, 0.75), 1.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*f, 0.25), 0.0);
  auto g = calculator("{ dup 0 lt { neg } if % absolute value\n }");
  EXPECT_DOUBLE_EQ(evaluateOne(*g, -3), 3.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*g, 3), 3.0);
  // Nested procedures.
  auto h = calculator("{ dup 0 gt { dup 10 gt { pop 2 } { pop 1 } ifelse } { pop 0 } ifelse }");
  EXPECT_DOUBLE_EQ(evaluateOne(*h, 20), 2.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*h, 5), 1.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*h, -5), 0.0);
  // A procedure that is neither if nor ifelse, or an if without procedure, is not a program.
  EXPECT_FALSE(calculator("{ { 1 } }"));
  EXPECT_FALSE(calculator("{ 1 if }"));
  EXPECT_FALSE(calculator("{ { 1 } { 2 } if }"));
  EXPECT_FALSE(calculator("{ dup"));
}

TEST(Function, Type4BooleansAndIntegers) {
  // not of a comparison is logical; not of an integer is bitwise.
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ 0.5 gt not }"), 0.75), 0.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ 0.5 gt not }"), 0.25), 1.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ not }"), 5), -6.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ pop true false or }"), 0), 1.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ 6 and }"), 3.9), 2.0);  // 3 and 6
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ 3 xor }"), 5), 6.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ 2 bitshift }"), 3), 12.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ -1 bitshift }"), -8), 2147483644.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ 40 bitshift }"), 1), 0.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ 2 idiv }"), -7), -3.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ 3 mod }"), -7), -1.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ cvi }"), -2.7), -2.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ cvi }"), 1e300), 2147483647.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ pop 16#FF }"), 0), 255.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ round }"), -2.5), -2.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ 1 atan }"), 1), 45.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ -1 exch atan }"), 0), 270.0);
  EXPECT_NEAR(evaluateOne(*calculator("{ sin }"), 30), 0.5, 1e-12);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ 0.5 exp }"), 16), 4.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ log }"), 1000), 3.0);
}

TEST(Function, Type4StackOperators) {
  // 1 2 3 (x = 0 popped) 3 1 roll -> 3 1 2; then combine as 3*100 + 1*10 + 2.
  const char* digits = " exch 10 mul add exch 100 mul add }";
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator(std::string("{ pop 1 2 3 3 1 roll") + digits), 0),
                   312.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator(std::string("{ pop 1 2 3 3 -1 roll") + digits), 0),
                   231.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ pop 5 6 7 2 index add add add }"), 0), 23.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ pop 1 2 2 copy add add add }"), 0), 6.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*calculator("{ pop 1 2 1 index exch pop add }"), 0), 2.0);
}

TEST(Function, Type4ErrorsFailTheEvaluation) {
  const double x = 1;
  for (const char* program :
       {"{ 0 div }", "{ 0 idiv }", "{ 0 mod }", "{ neg sqrt }", "{ 0 mul ln }", "{ pop pop 1 }",
        "{ 5 index }", "{ 3 copy }", "{ 2 1 roll }", "{ pop 0 0 atan }"}) {
    auto f = calculator(program);
    ASSERT_TRUE(f) << program;
    EXPECT_EQ(f->evaluate({&x, 1}), -1) << program;
  }
  // Unknown operators and foreign syntax make the program unreadable.
  for (const char* program : {"{ foo }", "{ (a) }", "{ [1] }", "{ 1e }", "{ nan }", "{ 1#2 }", ""})
    EXPECT_FALSE(calculator(program)) << program;
}

TEST(Function, Type4BoundsProgramsAndStack) {
  // Procedures nested past the limit.
  std::string deep = "{";
  for (int i = 0; i <= C_PDF_Function_Type4::kMaxProcedureNesting; ++i) deep += " 1 {";
  for (int i = 0; i <= C_PDF_Function_Type4::kMaxProcedureNesting; ++i) deep += " } if";
  EXPECT_FALSE(calculator(deep + " }"));
  // Each copy doubles the stack: the cap ends the evaluation instead of memory.
  std::string doubling = "{ 1";
  for (int depth = 2; depth < (1 << 20); depth *= 2) {
    doubling += ' ';
    doubling += std::to_string(depth);
    doubling += " copy";
  }
  auto f = calculator(doubling + " }");
  ASSERT_TRUE(f);
  const double x = 1;
  EXPECT_EQ(f->evaluate({&x, 1}), -1);
  // Over-long programs are refused.
  std::string longProgram = "{ ";
  while (longProgram.size() <= C_PDF_Function_Type4::kMaxOperations * 6) longProgram += "1 pop ";
  EXPECT_FALSE(calculator(longProgram + "}"));
}

TEST(Function, Type0TakesTheLowerSample) {
  auto f =
      function(stream("<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] "
                      "/BitsPerSample 8 /Decode [0 1] >>",
                      std::string("\x00\xFF", 2)));
  ASSERT_TRUE(f);
  EXPECT_DOUBLE_EQ(evaluateOne(*f, 0.0), 0.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*f, 0.999), 0.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*f, 1.0), 1.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*f, 7.0), 1.0);  // clipped to Domain
  EXPECT_DOUBLE_EQ(evaluateOne(*f, -7.0), 0.0);
  // A reversed Encode stays inside the table.
  auto reversed =
      function(stream("<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] "
                      "/BitsPerSample 8 /Encode [1 0] >>",
                      std::string("\x00\xFF", 2)));
  ASSERT_TRUE(reversed);
  EXPECT_DOUBLE_EQ(evaluateOne(*reversed, 0.0), 1.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*reversed, 1.0), 0.0);
}

TEST(Function, Type0SampleLayout) {
  // Two inputs, first varying fastest; two outputs per sample.
  auto f =
      function(stream("<< /FunctionType 0 /Domain [0 1 0 1] /Range [0 255 0 255] /Size [2 2] "
                      "/BitsPerSample 8 >>",
                      std::string("\x00\x01\x02\x03\x04\x05\x06\x07", 8)));
  ASSERT_TRUE(f);
  const double corner[2] = {1, 0};
  ASSERT_EQ(f->evaluate(corner), 2);
  EXPECT_DOUBLE_EQ(f->outputs()[0], 2.0);
  EXPECT_DOUBLE_EQ(f->outputs()[1], 3.0);
  const double other[2] = {0, 1};
  f->evaluate(other);
  EXPECT_DOUBLE_EQ(f->outputs()[0], 4.0);

  // Packed 12-bit and 1-bit samples.
  auto twelve =
      function(stream("<< /FunctionType 0 /Domain [0 1] /Range [0 4095] /Size [2] "
                      "/BitsPerSample 12 >>",
                      std::string("\x12\x3F\xFF", 3)));
  ASSERT_TRUE(twelve);
  EXPECT_DOUBLE_EQ(evaluateOne(*twelve, 0), 0x123);
  EXPECT_DOUBLE_EQ(evaluateOne(*twelve, 1), 0xFFF);
  auto bits =
      function(stream("<< /FunctionType 0 /Domain [0 7] /Range [0 1] /Size [8] "
                      "/BitsPerSample 1 >>",
                      std::string("\x20", 1)));
  ASSERT_TRUE(bits);
  EXPECT_DOUBLE_EQ(evaluateOne(*bits, 2), 1.0);
  EXPECT_DOUBLE_EQ(evaluateOne(*bits, 3), 0.0);
}

TEST(Function, Type0BoundsItsTable) {
  // Samples beyond the data read as 0.
  auto shortData =
      function(stream("<< /FunctionType 0 /Domain [0 3] /Range [0 255] /Size [4] "
                      "/BitsPerSample 32 >>",
                      std::string("\x00\x00\x00\x07", 4)));
  ASSERT_TRUE(shortData);
  EXPECT_DOUBLE_EQ(evaluateOne(*shortData, 3), 0.0);
  EXPECT_NEAR(evaluateOne(*shortData, 0), 7 * 255.0 / 4294967295.0, 1e-15);

  for (const char* dictionary :
       {"<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 3 >>",
        "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [0] /BitsPerSample 8 >>",
        "<< /FunctionType 0 /Domain [0 1 0 1] /Range [0 1] /Size [2] /BitsPerSample 8 >>",
        "<< /FunctionType 0 /Domain [0 1] /Size [2] /BitsPerSample 8 >>",
        "<< /FunctionType 0 /Domain [0 1 0 1 0 1] /Range [0 1] "
        "/Size [2147483647 2147483647 2147483647] /BitsPerSample 32 >>"})
    EXPECT_FALSE(function(stream(dictionary, "\x01"))) << dictionary;
  // A sampled function must be a stream.
  EXPECT_FALSE(
      function(parse("<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] "
                     "/BitsPerSample 8 >>")));
}

TEST(Function, UnsupportedTypesGiveNoFunction) {
  EXPECT_FALSE(function(parse("<< /FunctionType 1 /Domain [0 1] >>")));
  EXPECT_FALSE(function(parse("<< /Domain [0 1] /N 1 >>")));
  EXPECT_FALSE(function(parse("[/FunctionType 2]")));
  EXPECT_FALSE(function(parse("5 0 R")));  // a reference without a document
}

TEST(Function, FuzzFindingsDoNotCrash) {
  const char* dataDir = std::getenv("BREVIA_TEST_DATA");
  const std::filesystem::path dir =
      (dataDir ? std::filesystem::path(dataDir)
               : std::filesystem::path(BREVIA_SOURCE_DIR) / "tests/data") /
      "fuzz" / "function_type4_fuzz";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no fuzz findings";
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    render_fuzz::runType4Input(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
}

}  // namespace
