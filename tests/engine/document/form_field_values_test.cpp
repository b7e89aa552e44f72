#include "engine/document/form_field_values.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/document/page_tree.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_object.h"
#include "engine/document/standard_security.h"
#include "tests/support/pdf_builder.h"

using testing_pdf::PdfBuilder;

namespace {

struct OpenedForm {
  std::unique_ptr<C_PDF_Document> document;
  std::vector<FormWidgetValues> widgets;
};

// Opens the built file and lists the widgets of its first page.
OpenedForm widgetsOf(const std::string& bytes, const std::string& password = "") {
  OpenedForm opened;
  opened.document = std::make_unique<C_PDF_Document>();
  EXPECT_TRUE(opened.document->open(testing_pdf::writeTempFile(bytes, "form.pdf"), password));
  C_PDF_PageTreeNode_or_Page* page = opened.document->findPreparedPage(1, false);
  EXPECT_NE(page, nullptr);
  if (!page) return opened;
  forEachFormWidget(*opened.document, *page, [&](const FormWidgetValues& widget) {
    opened.widgets.push_back(widget);
    return true;
  });
  return opened;
}

std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text = "<";
  for (unsigned char c : bytes) {
    text.push_back(digits[c >> 4]);
    text.push_back(digits[c & 15]);
  }
  return text + ">";
}

std::string fromHex(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    bytes.push_back(static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
  return bytes;
}

TEST(FormFieldValues, KidsTakeTheirFieldsEntriesAndShowTheirOwnState) {
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [10 0 R 20 0 R] >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>");
  b.set(3,
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] /Annots [11 0 R 20 0 R 24 0 R] >>");
  b.set(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] >>");
  // A right-aligned text field shown by one widget whose rectangle is given upside down.
  b.set(10, "<< /FT /Tx /Q 2 /V (shared) /Kids [11 0 R] >>");
  b.set(11, "<< /Subtype /Widget /Parent 10 0 R /Rect [300 420.9 100.7 400] >>");
  // A radio group placed as a widget without a rectangle of its own: one kid off, one on (named
  // by its appearance), one that belongs to another page.
  b.set(20, "<< /Subtype /Widget /FT /Btn /Ff 49152 /V /B /Kids [21 0 R 22 0 R 23 0 R] >>");
  b.set(21,
        "<< /Subtype /Widget /Parent 20 0 R /AS /Off /AP << /N << /A 5 0 R /Off 5 0 R >> >> "
        "/Rect [10 10 20 20] >>");
  b.set(22, "<< /Subtype /Widget /Parent 20 0 R /AS /B /Rect [30 10 40 20] >>");
  b.set(23, "<< /Subtype /Widget /Parent 20 0 R /P 4 0 R /AS /B /Rect [50 10 60 20] >>");
  // A check box without a state shows checked, as before.
  b.set(24, "<< /Subtype /Widget /FT /Btn /Rect [70 10 80 20] >>");
  b.setStream(5, "", "");
  OpenedForm form = widgetsOf(b.build("/Root 1 0 R"));
  ASSERT_EQ(form.widgets.size(), 4u);

  const FormWidgetValues& text = form.widgets[0];
  EXPECT_EQ(text.kind, kFieldText);
  EXPECT_EQ(text.value, u"shared");
  EXPECT_EQ(text.quadding, 2);
  // Whole points, ordered.
  EXPECT_EQ(text.rect[0], 100);
  EXPECT_EQ(text.rect[1], 400);
  EXPECT_EQ(text.rect[2], 300);
  EXPECT_EQ(text.rect[3], 420);
  EXPECT_EQ(text.left, 100);
  EXPECT_EQ(text.top, 380);  // 800 - 420, y downwards
  EXPECT_EQ(text.right, 300);
  EXPECT_EQ(text.bottom, 400);

  const FormWidgetValues& off = form.widgets[1];
  EXPECT_EQ(off.kind, kFieldRadioButton);
  EXPECT_EQ(off.fieldFlags, 49152);
  EXPECT_FALSE(off.checked);
  EXPECT_EQ(off.onState, "A");
  EXPECT_EQ(off.value, u"B");
  const FormWidgetValues& on = form.widgets[2];
  EXPECT_TRUE(on.checked);
  EXPECT_EQ(on.onState, "B");
  EXPECT_EQ(on.left, 30);

  const FormWidgetValues& box = form.widgets[3];
  EXPECT_EQ(box.kind, kFieldCheckBox);
  EXPECT_TRUE(box.checked);
  EXPECT_EQ(box.onState, "");
}

TEST(FormFieldValues, ChoiceOptionsPairsAndSelections) {
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [10 0 R 12 0 R] >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] /Annots [11 0 R 12 0 R] >>");
  // Options on the field, shown by a kid: pairs, plain strings, an indirect one, a name.
  b.set(10,
        "<< /FT /Ch /V [(m) (x)] /Opt [[(s) (Small)] [(m) <FEFF004D04140430>] (x) 13 0 R /N] "
        "/Kids [11 0 R] >>");
  b.set(11, "<< /Subtype /Widget /Parent 10 0 R /Rect [0 0 100 50] >>");
  b.set(13, "(caf\xE9)");
  b.set(12, "<< /Subtype /Widget /FT /Ch /Ff 131072 /V 7 /Opt [[(7)]] /Rect [0 0 10 10] >>");
  OpenedForm form = widgetsOf(b.build("/Root 1 0 R"));
  ASSERT_EQ(form.widgets.size(), 2u);

  const FormWidgetValues& list = form.widgets[0];
  EXPECT_EQ(list.kind, kFieldList);
  ASSERT_EQ(list.options.size(), 5u);
  EXPECT_EQ(list.options[0].exportValue, u"s");
  EXPECT_EQ(list.options[0].display, u"Small");
  EXPECT_EQ(list.options[1].display, u"M\u0414\u0430");
  EXPECT_EQ(list.options[2].exportValue, u"x");
  EXPECT_EQ(list.options[2].display, u"x");
  EXPECT_EQ(list.options[3].display, u"caf\u00E9");
  EXPECT_EQ(list.options[4].display, u"N");
  ASSERT_EQ(list.selected.size(), 2u);
  EXPECT_EQ(list.selected[0], u"m");
  EXPECT_EQ(list.selected[1], u"x");

  // A one-element pair is an option whose text is itself the array: nothing to show.
  const FormWidgetValues& combo = form.widgets[1];
  EXPECT_EQ(combo.kind, kFieldCombo);
  ASSERT_EQ(combo.options.size(), 1u);
  EXPECT_EQ(combo.options[0].display, u"");
  ASSERT_EQ(combo.selected.size(), 1u);
  EXPECT_EQ(combo.selected[0], u"7");
}

TEST(FormFieldValues, EncryptedValuesOptionsAndCaptionsAreDecrypted) {
  // A document encrypted with RC4 (128 bits, user password "user"); the strings below are
  // encrypted with the key of the object that holds them.
  using namespace StandardSecurity;
  const std::string id = "b11cd2fe0344ff9c6ef8153dd8543a75";
  const std::string o = "0ba3835f88f90388e74e54584125ce142be0de24c6b0d37746e075b891756671";
  const std::string u = "2b199a124bda2f378a9320f787ede4340122456a91bae5134273a6db134c87c4";
  Parameters parameters;
  parameters.revision = 3;
  parameters.keyLengthBits = 128;
  parameters.permissions = -4;
  parameters.ownerHash = fromHex(o);
  parameters.userHash = fromHex(u);
  parameters.documentId = fromHex(id);
  std::optional<FileKey> key = checkUserPassword("user", parameters);
  ASSERT_TRUE(key);
  auto encrypted = [&](std::string text, int object) {
    decryptObjectData(*key, object, 0, text);  // RC4 encrypts and decrypts alike
    return hex(text);
  };
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [10 0 R 11 0 R 20 0 R] >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3,
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] /Annots [10 0 R 11 0 R 21 0 R] >>");
  b.set(9, "<< /Filter /Standard /V 2 /R 3 /Length 128 /P -4 /O <" + o + "> /U <" + u + "> >>");
  b.set(10, "<< /Subtype /Widget /FT /Tx /V " + encrypted("Jane", 10) + " /Rect [0 0 10 10] >>");
  b.set(11, "<< /Subtype /Widget /FT /Btn /Ff 65536 /MK << /CA " + encrypted("Send", 11) +
                " >> /Rect [0 0 10 10] >>");
  // The options belong to the field (object 20), so they are decrypted with its key.
  b.set(20, "<< /FT /Ch /Ff 131072 /Opt [[" + encrypted("r", 20) + " " + encrypted("Red", 20) +
                "]] /Kids [21 0 R] >>");
  b.set(21, "<< /Subtype /Widget /Parent 20 0 R /Rect [0 0 10 10] >>");
  OpenedForm form =
      widgetsOf(b.build("/Root 1 0 R /Encrypt 9 0 R /ID [<" + id + "> <" + id + ">]"), "user");
  ASSERT_EQ(form.widgets.size(), 3u);
  EXPECT_EQ(form.widgets[0].value, u"Jane");
  EXPECT_EQ(form.widgets[1].caption, u"Send");
  ASSERT_EQ(form.widgets[2].options.size(), 1u);
  EXPECT_EQ(form.widgets[2].options[0].exportValue, u"r");
  EXPECT_EQ(form.widgets[2].options[0].display, u"Red");
}

TEST(FormFieldValues, TurnedPagesAndStoppingEarly) {
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3,
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] /Rotate 90 "
        "/Annots [10 0 R 11 0 R 12 0 R] >>");
  b.set(10, "<< /Subtype /Widget /FT /Tx /Rect [100 700 300 720] >>");
  b.set(11, "<< /Subtype /Widget /FT /Tx /Rect [1 2 3] >>");  // too short: not listed
  b.set(12, "<< /Subtype /Widget /FT /Tx /Rect [0 0 10 10] >>");
  OpenedForm form = widgetsOf(b.build("/Root 1 0 R"));
  ASSERT_EQ(form.widgets.size(), 2u);
  // Turned a quarter clockwise, the page's bottom-left corner becomes the top-left one.
  EXPECT_EQ(form.widgets[0].left, 700);
  EXPECT_EQ(form.widgets[0].top, 100);
  EXPECT_EQ(form.widgets[0].right, 720);
  EXPECT_EQ(form.widgets[0].bottom, 300);

  int visited = 0;
  forEachFormWidget(*form.document, *form.document->findPreparedPage(1, false),
                    [&](const FormWidgetValues&) { return ++visited < 1; });
  EXPECT_EQ(visited, 1);
}

TEST(FormFieldValues, ValueTextOfStringsNamesAndNumbers) {
  EXPECT_EQ(fieldValueText(PdfObject(PdfObjectKind::Name, "Yes")), u"Yes");
  EXPECT_EQ(fieldValueText(PdfObject(PdfObjectKind::Number, "3.5")), u"3.5");
  EXPECT_EQ(fieldValueText(PdfObject(PdfObjectKind::Array)), u"");
  EXPECT_EQ(fieldValueText(PdfObject(PdfObjectKind::Null)), u"");
  EXPECT_EQ(
      fieldValueText(PdfObject(PdfObjectKind::String, std::string("\xFE\xFF\x00\x41\x04\x14", 6))),
      u"A\u0414");
  // Unmarked strings are PDFDocEncoding: 0x80 is a bullet there.
  EXPECT_EQ(fieldValueText(PdfObject(PdfObjectKind::String, "\x80")), u"\u2022");
}

}  // namespace
