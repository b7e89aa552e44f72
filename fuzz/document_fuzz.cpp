// Opens arbitrary bytes as a document (damaged files are repaired by the scan), lists every page
// and decodes its content. A password is given so encrypted inputs reach the security handler.
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int fd = memfd_create("document_fuzz", 0);
  if (fd < 0) return 0;
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  C_PDF_Document document;
  try {
    if (!document.open(path, "user")) return 0;
    document.completePageTree();
    for (int32_t n = 1; n <= document.pageCount && n <= 50; ++n) {
      if (!document.findPreparedPage(n, true)) break;
    }
  } catch (const C_PDF_Exception&) {
  }
  return 0;
}
