#include "engine/document/pdf_lexer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// Lexes one text; keeps the source alive with the lexer.
struct Lexed {
  explicit Lexed(std::string t)
      : text(std::move(t)),
        buffer(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size())),
        lexer(&buffer) {}
  PdfObject next(bool allowReference = false) {
    PdfObject o;
    ok = lexer.readObject(o, allowReference);
    return o;
  }
  std::string text;
  C_PDF_Mem_Buffer buffer;
  PdfLexer lexer;
  bool ok = false;
};

TEST(PdfLexer, References) {
  Lexed a("[1 0 R 2]");
  PdfObject array = a.next();
  ASSERT_EQ(array.kind, PdfObjectKind::Array);
  ASSERT_EQ(array.elements.size(), 2u);
  EXPECT_EQ(array.elements[0].kind, PdfObjectKind::Reference);
  EXPECT_EQ(array.elements[0].objectNumber, 1);
  EXPECT_EQ(array.elements[0].generation, 0);
  EXPECT_EQ(array.elements[1].kind, PdfObjectKind::Number);
  EXPECT_EQ(array.elements[1].intValue(), 2);

  // "1 0 obj" is not a reference: the position stays just after the 1.
  Lexed b("1 0 obj");
  PdfObject one = b.next(true);
  EXPECT_EQ(one.kind, PdfObjectKind::Number);
  EXPECT_EQ(b.lexer.position(), 0);

  // The generation must be followed by whitespace.
  Lexed c("12 0R");
  EXPECT_EQ(c.next(true).kind, PdfObjectKind::Number);
  Lexed d("[12 0 R]");
  PdfObject ref = d.next();
  ASSERT_EQ(ref.elements.size(), 1u);
  EXPECT_EQ(ref.elements[0].objectNumber, 12);

  // A reference that ends the source.
  Lexed e("7 3 R");
  PdfObject last = e.next(true);
  EXPECT_EQ(last.kind, PdfObjectKind::Reference);
  EXPECT_EQ(last.generation, 3);
}

TEST(PdfLexer, Dictionaries) {
  Lexed a("<< /A 1 /B >>");
  PdfObject d = a.next();
  ASSERT_EQ(d.kind, PdfObjectKind::Dictionary);
  ASSERT_EQ(d.entries.size(), 1u);
  EXPECT_EQ(d.entries[0].key, "A");

  // A key that is not a name ends the dictionary; what follows is the next token.
  Lexed b("<< /A 1 2 /B 3 >>");
  PdfObject d2 = b.next();
  ASSERT_EQ(d2.entries.size(), 1u);
  PdfObject after = b.next();
  EXPECT_TRUE(after.isName("B"));

  // A comment between key and value; duplicate keys kept; lookup takes the first.
  Lexed c("<< /K % note\n 5 /K 6 >>");
  PdfObject d3 = c.next();
  ASSERT_EQ(d3.entries.size(), 2u);
  EXPECT_EQ(d3.lookup("K")->intValue(), 5);
  EXPECT_EQ(d3.lookup("missing"), nullptr);

  // A truncated dictionary keeps what was read.
  Lexed t("<< /A 1 /B [2 3");
  PdfObject d4 = t.next();
  EXPECT_TRUE(t.ok);
  ASSERT_EQ(d4.entries.size(), 2u);
}

TEST(PdfLexer, Names) {
  Lexed a("/A#20B");
  EXPECT_EQ(a.next().text, "A B");
  Lexed b("/ x");
  PdfObject empty = b.next();
  EXPECT_TRUE(empty.isName(""));
  Lexed c("/A#2");  // an incomplete escape stays as written
  EXPECT_EQ(c.next().text, "A#2");
  Lexed d("/Name/Other");
  EXPECT_EQ(d.next().text, "Name");
  EXPECT_EQ(d.next().text, "Other");
}

TEST(PdfLexer, LiteralStrings) {
  Lexed a("(a(b)c)");
  EXPECT_EQ(a.next().text, "a(b)c");
  Lexed b("(one\\\ntwo)");
  EXPECT_EQ(b.next().text, "onetwo");
  Lexed c("(x\ry\r\nz)");
  EXPECT_EQ(c.next().text, "x\ny\nz");
  Lexed d("(\\101\\7770\\q\\8\\n\\()");
  std::string s = d.next().text;
  EXPECT_EQ(s, std::string("A\xFF") + "0q8\n(");
  Lexed e("(unterminated");
  e.next();
  EXPECT_FALSE(e.ok);

  // Strings longer than 64 KiB are read whole and the lexer goes on.
  std::string big(200000, 'x');
  Lexed f("(" + big + ") /After");
  EXPECT_EQ(f.next().text.size(), big.size());
  EXPECT_TRUE(f.next().isName("After"));
}

TEST(PdfLexer, HexStrings) {
  Lexed a("<41 4>");
  EXPECT_EQ(a.next().text, std::string("\x41\x40"));
  Lexed b("<>");
  PdfObject e = b.next();
  EXPECT_EQ(e.kind, PdfObjectKind::String);
  EXPECT_TRUE(e.text.empty());
  Lexed c("<4a4B");
  EXPECT_EQ(c.next().text, "JK");
}

TEST(PdfLexer, Tokens) {
  Lexed a("True - +.5 1.2.3 --4 1.5 null false 3 ) {");
  EXPECT_EQ(a.next().kind, PdfObjectKind::Keyword);
  PdfObject minus = a.next();
  EXPECT_EQ(minus.kind, PdfObjectKind::Number);
  EXPECT_EQ(minus.intValue(), 0);
  EXPECT_DOUBLE_EQ(a.next().realValue(), 0.5);
  EXPECT_DOUBLE_EQ(a.next().realValue(), 1.2);
  EXPECT_EQ(a.next().intValue(), 0);
  PdfObject onePointFive = a.next();
  EXPECT_DOUBLE_EQ(onePointFive.realValue(), 1.5);
  EXPECT_EQ(onePointFive.intValue(), 1);
  EXPECT_EQ(a.next().kind, PdfObjectKind::Null);
  PdfObject f = a.next();
  EXPECT_EQ(f.kind, PdfObjectKind::Boolean);
  EXPECT_FALSE(f.boolValue());
  EXPECT_EQ(a.next().intValue(), 3);
  a.next();  // ")" and "{" are skipped to the end
  EXPECT_FALSE(a.ok);

  EXPECT_EQ(PdfObject(PdfObjectKind::Number, "99999999999").intValue(), INT32_MAX);
}

TEST(PdfLexer, EndOfSource) {
  std::string text = "ab";
  C_PDF_Mem_Buffer buffer(reinterpret_cast<const uint8_t*>(text.data()), 2);
  uint8_t c;
  EXPECT_FALSE(buffer.readByte(c, 2));
  EXPECT_TRUE(buffer.readByte(c, 1));
  Lexed lone("<");
  lone.next();
  EXPECT_FALSE(lone.ok);
}

TEST(PdfLexer, SeekingBeforeTheStartReadsNothing) {
  Lexed lexed("12 0 obj");
  for (int32_t p : {-1, -5, INT32_MIN}) {
    lexed.lexer.seek(p);
    lexed.next();
    EXPECT_FALSE(lexed.ok) << p;
  }
  lexed.lexer.seek(3);
  EXPECT_EQ(lexed.next().intValue(), 0);
}

TEST(PdfLexer, DeepNestingStaysBounded) {
  std::string deep(100000, '[');
  Lexed a(deep);
  PdfObject o = a.next();
  EXPECT_EQ(o.kind, PdfObjectKind::Array);
  // The reference check looks ahead one token only: nested arrays cost linear time.
  std::string nested;
  for (int i = 0; i < 200; ++i) nested += "[1 ";
  Lexed b(nested);
  EXPECT_EQ(b.next().kind, PdfObjectKind::Array);
}

TEST(PdfObject, CopiesAreDeep) {
  Lexed a("<< /A [1 2 << /B (x) >>] >>");
  PdfObject original = a.next();
  PdfObject copy = original;
  copy.lookup("A")->elements[2].lookup("B")->text = "changed";
  EXPECT_EQ(original.lookup("A")->elements[2].lookup("B")->text, "x");
  copy.clear();
  EXPECT_EQ(copy.kind, PdfObjectKind::None);
  EXPECT_EQ(original.lookup("A")->elements.size(), 3u);
}

}  // namespace
