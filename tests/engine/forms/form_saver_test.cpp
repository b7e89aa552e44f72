// Field values saved as incremental updates, read back by the engine.

#include "engine/forms/form_saver.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "engine/document/decryptor.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_document.h"
#include "tests/support/pdf_builder.h"

namespace {

std::string formFile(bool xrefStream) {
  testing_pdf::PdfBuilder b;
  b.set(1,
        "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [10 0 R 11 0 R 20 0 R 30 0 R] "
        "/DA (/Helv 0 Tf 0 g) >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3,
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] "
        "/Annots [10 0 R 11 0 R 21 0 R 22 0 R 30 0 R] >>");
  b.set(10, "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (old) /Rect [10 10 110 30] >>");
  b.setStream(12, "/Subtype /Form /BBox [0 0 20 20]", "0 0 20 20 re f");
  b.set(11,
        "<< /Subtype /Widget /FT /Btn /T (agree) /V /Off /AS /Off /Rect [10 40 30 60] "
        "/AP << /N << /Yes 12 0 R /Off 12 0 R >> >> >>");
  b.set(20, "<< /FT /Btn /Ff 49152 /T (size) /V /A /Kids [21 0 R 22 0 R] >>");
  b.set(21,
        "<< /Subtype /Widget /Parent 20 0 R /AS /A /Rect [10 70 30 90] "
        "/AP << /N << /A 12 0 R /Off 12 0 R >> >> >>");
  b.set(22,
        "<< /Subtype /Widget /Parent 20 0 R /AS /Off /Rect [40 70 60 90] "
        "/AP << /N << /B 12 0 R /Off 12 0 R >> >> >>");
  b.set(30, "<< /Subtype /Widget /FT /Sig /T (signed) /Rect [0 0 1 1] >>");
  b.set(31, "42");
  // Malformed fields: no name, kids and parents that loop, a widget on no page.
  b.set(40, "<< /Subtype /Widget /FT /Tx /V (x) /Rect [0 0 9 9] >>");
  b.set(41, "<< /FT /Tx /T (loop) /Kids [42 0 R] >>");
  b.set(42, "<< /Subtype /Widget /Parent 41 0 R /Rect [0 0 9 9] /Kids [41 0 R] >>");
  b.set(43, "<< /FT /Tx /T (self) /Kids [43 0 R] >>");
  b.set(44, "<< /Subtype /Widget /FT /Tx /Parent 45 0 R /Rect [0 0 9 9] >>");
  b.set(45, "<< /Parent 44 0 R >>");
  b.set(46, "<< /Subtype /Widget /FT /Tx /T (orphan) /Rect [0 0 9 9] >>");
  b.set(48, "<< /Subtype /Widget /FT /Tx /T (lost) /Rect [0 0 9 9] /P 2 0 R >>");
  b.set(47, "<< /Subtype /Widget /FT /Btn /Ff 65536 /T (push) /Rect [0 0 9 9] /P 3 0 R >>");
  return xrefStream ? b.buildWithXrefStream("/Root 1 0 R") : b.build("/Root 1 0 R");
}

struct Reopened {
  C_PDF_Document document;
  PdfObject object(int number) {
    PdfObject r(PdfObjectKind::Reference);
    r.objectNumber = number;
    r.generation = 0;
    return document.resolver()->resolve(r);
  }
  // The form's fields in the order of its Fields array.
  std::vector<PdfObject> fields() {
    ObjectResolver& resolver = *document.resolver();
    const PdfObject catalog = resolver.resolve(*document.trailerInfo()->Root);
    const PdfObject form = resolver.resolve(*catalog.lookup("AcroForm"));
    std::vector<PdfObject> out;
    for (const PdfObject& f : resolver.resolve(*form.lookup("Fields")).elements) out.push_back(f);
    return out;
  }
  // A string of an indirect object, decrypted when the file is encrypted.
  std::string text(const PdfObject& holder, const char* key) {
    const PdfObject object = document.resolver()->resolve(holder);
    std::string bytes = object.lookup(key) ? object.lookup(key)->text : "";
    if (const IDecryptor* d = document.resolver()->decryptor())
      d->decrypt(bytes, holder.objectNumber, holder.generation);
    return bytes;
  }
  std::string normalAppearance(const PdfObject& holder) {
    const PdfObject widget = document.resolver()->resolve(holder);
    const PdfObject ap = document.resolver()->resolve(*widget.lookup("AP"));
    const PdfObject n = document.resolver()->resolve(*ap.lookup("N"));
    std::vector<uint8_t> bytes;
    document.resolver()->decodeStream(bytes, n);
    return std::string(bytes.begin(), bytes.end());
  }
};

std::unique_ptr<Reopened> reopen(const std::string& bytes, const std::string& password = "") {
  auto r = std::make_unique<Reopened>();
  r->document.open(testing_pdf::writeTempFile(bytes, "saved.pdf"), password);
  return r;
}

FormSaveResult save(const std::string& file, const std::vector<FieldValueChange>& changes,
                    const std::string& password = "") {
  C_PDF_Document document;
  document.open(testing_pdf::writeTempFile(file, "original.pdf"), password);
  return saveFieldValues(document, file, changes);
}

bool haveQpdf() { return std::system("command -v qpdf >/dev/null 2>&1") == 0; }

// The form file encrypted by qpdf with the given key arguments (user password "user").
std::string encrypted(const std::string& plain, const std::string& keyArguments) {
  const std::string in = testing_pdf::writeTempFile(plain, "plain.pdf");
  const std::string out = in + ".encrypted.pdf";
  const std::string command = "qpdf --allow-weak-crypto --encrypt user owner " + keyArguments +
                              (keyArguments.find(" -- ") == std::string::npos ? " -- '" : " '") +
                              in + "' '" + out + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  return testing_pdf::readFile(out);
}

TEST(FormSaver, ValuesAndFreshAppearancesAppendedTwice) {
  for (bool stream : {false, true}) {
    const std::string original = formFile(stream);
    FormSaveResult first =
        save(original, {{10, 0, {u"Hello (you)"}, ""}, {11, 0, {}, "Yes"}, {20, 0, {}, "B"}});
    ASSERT_TRUE(first.bytes) << first.error;
    EXPECT_EQ(first.bytes->substr(0, original.size()), original);
    auto r = reopen(*first.bytes);
    EXPECT_EQ(r->object(10).lookup("V")->text, "Hello (you)");
    const PdfObject ap = r->object(r->object(10).lookup("AP")->lookup("N")->objectNumber);
    std::vector<uint8_t> bytes;
    r->document.resolver()->decodeStream(bytes, ap);
    const std::string content(bytes.begin(), bytes.end());
    EXPECT_NE(content.find("(Hello \\(you\\)) Tj"), std::string::npos) << content;
    EXPECT_TRUE(r->object(11).lookup("AS")->isName("Yes"));
    EXPECT_TRUE(r->object(11).lookup("V")->isName("Yes"));
    EXPECT_TRUE(r->object(20).lookup("V")->isName("B"));
    EXPECT_TRUE(r->object(21).lookup("AS")->isName("Off"));
    EXPECT_TRUE(r->object(22).lookup("AS")->isName("B"));
    // A second save appends after the first; text beyond Latin goes as UTF-16.
    FormSaveResult second = save(*first.bytes, {{10, 0, {u"\u017dlu\u0165"}, ""}});
    ASSERT_TRUE(second.bytes) << second.error;
    EXPECT_EQ(second.bytes->substr(0, first.bytes->size()), *first.bytes);
    EXPECT_EQ(reopen(*second.bytes)->object(10).lookup("V")->text,
              std::string("\xFE\xFF\x01\x7D\x00l\x00u\x01\x65", 10));
  }
}

// Values saved into files encrypted with RC4 (40 and 128 bits), AES-128 and AES-256 read back
// with the password, twice in a row, and the files pass qpdf's own check.
TEST(FormSaver, EncryptedDocumentsSaveEncrypted) {
  if (!haveQpdf()) GTEST_SKIP() << "qpdf is not installed";
  // The last two hold the fields in object streams, with a cross-reference stream.
  for (const char* keys :
       {"40", "128 --use-aes=n", "128 --use-aes=y", "256",
        "128 --use-aes=y -- --object-streams=generate", "40 -- --object-streams=generate"}) {
    SCOPED_TRACE(keys);
    const std::string original = encrypted(formFile(false), keys);
    ASSERT_FALSE(original.empty());
    std::vector<PdfObject> fields = reopen(original, "user")->fields();
    ASSERT_GE(fields.size(), 2u);
    const PdfObject text = fields[0], box = fields[1];
    FormSaveResult first = save(original,
                                {{text.objectNumber, text.generation, {u"Secret (value)"}, ""},
                                 {box.objectNumber, box.generation, {}, "Yes"}},
                                "user");
    ASSERT_TRUE(first.bytes) << first.error;
    EXPECT_EQ(first.bytes->substr(0, original.size()), original);
    // The value is not in clear, and reads back with the password.
    EXPECT_EQ(first.bytes->find("Secret"), std::string::npos);
    auto r = reopen(*first.bytes, "user");
    ASSERT_TRUE(r->document.encrypted());
    EXPECT_EQ(r->text(text, "V"), "Secret (value)");
    EXPECT_EQ(r->text(text, "T"), "name");
    EXPECT_NE(r->normalAppearance(text).find("(Secret \\(value\\)) Tj"), std::string::npos);
    EXPECT_TRUE(r->document.resolver()->resolve(box).lookup("AS")->isName("Yes"));
    FormSaveResult second =
        save(*first.bytes, {{text.objectNumber, text.generation, {u"Again"}, ""}}, "user");
    ASSERT_TRUE(second.bytes) << second.error;
    EXPECT_EQ(second.bytes->substr(0, first.bytes->size()), *first.bytes);
    EXPECT_EQ(reopen(*second.bytes, "user")->text(text, "V"), "Again");
    const std::string path = testing_pdf::writeTempFile(*second.bytes, "checked.pdf");
    EXPECT_EQ(std::system(("qpdf --check --password=user '" + path + "' >/dev/null").c_str()), 0);
  }
}

// A document whose author allows no filling in is not saved with the user password.
TEST(FormSaver, FillingInMustBeAllowed) {
  if (!haveQpdf()) GTEST_SKIP() << "qpdf is not installed";
  const std::string original = encrypted(formFile(false), "256 --form=n --annotate=n");
  ASSERT_FALSE(original.empty());
  const PdfObject text = reopen(original, "user")->fields()[0];
  FormSaveResult refused =
      save(original, {{text.objectNumber, text.generation, {u"x"}, ""}}, "user");
  EXPECT_FALSE(refused.bytes);
  EXPECT_NE(refused.error.find("does not allow filling in"), std::string::npos) << refused.error;
  // The owner may.
  EXPECT_TRUE(save(original, {{text.objectNumber, text.generation, {u"x"}, ""}}, "owner").bytes);
}

TEST(FormSaver, BrokenFieldsChangeNothing) {
  const std::string original = formFile(false);
  const std::string path = testing_pdf::writeTempFile(original, "form.pdf");
  const std::vector<std::pair<FieldValueChange, const char*>> cases = {
      {{31, 0, {u"x"}, ""}, "not a dictionary"},
      {{99, 0, {u"x"}, ""}, "not a dictionary"},
      {{30, 0, {u"x"}, ""}, "cannot be filled in"},
      {{40, 0, {u"x"}, ""}, "has no name (T)"},
      {{10, 0, {}, "Yes"}, "takes text, not a button state"},
      {{11, 0, {u"Yes"}, ""}, "its value is a state, not text"},
      {{10, 0, {u"a", u"b"}, ""}, "takes one value, not 2"},
      {{47, 0, {}, "On"}, "push button"},
      {{41, 0, {u"x"}, ""}, "that is the field itself or one of its parents"},
      {{43, 0, {u"x"}, ""}, "that is the field itself or one of its parents"},
      {{44, 0, {u"x"}, ""}, "parents that lead back to it"},
      {{46, 0, {u"x"}, ""}, "Widget 46 0 R is on no page"},
      {{48, 0, {u"x"}, ""}, "Widget 48 0 R is on no page"},
  };
  for (const auto& [bad, cause] : cases) {
    SCOPED_TRACE(cause);
    C_PDF_Document document;
    document.open(path, "");
    FormSaveResult result =
        saveFieldValuesToFile(document, original, {{10, 0, {u"fine"}, ""}, bad}, path);
    EXPECT_FALSE(result.bytes);
    EXPECT_NE(result.error.find(cause), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("nothing was saved"), std::string::npos) << result.error;
    EXPECT_EQ(testing_pdf::readFile(path), original);
  }
}

// A widget without a name stands for its field: the value goes to the parent.
TEST(FormSaver, UnnamedWidgetSavesItsField) {
  FormSaveResult result = save(formFile(false), {{22, 0, {}, "B"}});
  ASSERT_TRUE(result.bytes) << result.error;
  auto r = reopen(*result.bytes);
  EXPECT_TRUE(r->object(20).lookup("V")->isName("B"));
  EXPECT_FALSE(r->object(22).lookup("V"));
  EXPECT_TRUE(r->object(22).lookup("AS")->isName("B"));
}

// The file is replaced whole or not at all: a write cut short (here by a file size limit, as a
// full disk would) leaves the original byte for byte and no temporary file beside it.
TEST(FormSaver, FailedWriteLeavesTheOriginal) {
  const std::string original = formFile(true);
  const std::string path = testing_pdf::writeTempFile(original, "form.pdf");
  const std::string folder = path.substr(0, path.rfind('/'));
  C_PDF_Document document;
  document.open(path, "");
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = original.size() + 10;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  FormSaveResult result = saveFieldValuesToFile(document, original, {{10, 0, {u"new"}, ""}}, path);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(result.bytes);
  EXPECT_NE(result.error.find("could not be written"), std::string::npos) << result.error;
  EXPECT_NE(result.error.find("left as it was"), std::string::npos) << result.error;
  EXPECT_EQ(testing_pdf::readFile(path), original);
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) files += !!entry.exists();
  EXPECT_EQ(files, 1u);
  // A folder the user may not write to (root may write anywhere, so only others check this).
  if (::geteuid() != 0) {
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    result = saveFieldValuesToFile(document, original, {{10, 0, {u"new"}, ""}}, path);
    ::chmod(folder.c_str(), 0755);
    EXPECT_FALSE(result.bytes);
    EXPECT_EQ(testing_pdf::readFile(path), original);
  }
  // Once the write can succeed, the file holds the update.
  result = saveFieldValuesToFile(document, original, {{10, 0, {u"new"}, ""}}, path);
  ASSERT_TRUE(result.bytes) << result.error;
  EXPECT_EQ(testing_pdf::readFile(path), *result.bytes);
}

}  // namespace
