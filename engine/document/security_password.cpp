#include "engine/document/security_password.h"

#include <dlfcn.h>
#include <unicode/usprep.h>
#include <unicode/ustring.h>
#include <unicode/utypes.h>
#include <unicode/uvernum.h>

#include <memory>
#include <mutex>
#include <vector>

namespace SecurityPassword {

namespace {

// Passwords beyond this many UTF-16 units are prepared no further than that.
constexpr int32_t kMaxPreparedUnits = 1024;

// The Unicode library is loaded when the first password is prepared: linking it costs every run
// its start-up relocations. Its entry points carry the library's version in their names, which
// the headers spell for us.
#define BREVIA_ICU_TEXT_OF(x) #x
#define BREVIA_ICU_TEXT(x) BREVIA_ICU_TEXT_OF(x)
struct IcuApi {
  decltype(&::u_strFromUTF8) fromUtf8 = nullptr;
  decltype(&::u_strToUTF8) toUtf8 = nullptr;
  decltype(&::usprep_openByType) openProfile = nullptr;
  decltype(&::usprep_prepare) prepare = nullptr;
  decltype(&::usprep_close) closeProfile = nullptr;
  bool loaded = false;
};

template <typename F>
bool bind(void* library, const char* name, F& out) {
  out = reinterpret_cast<F>(::dlsym(library, name));
  return out != nullptr;
}

// Without the library passwords are used as typed.
const IcuApi& icu() {
  static IcuApi api;
  static std::once_flag once;
  std::call_once(once, [] {
    void* library =
        ::dlopen("libicuuc.so." BREVIA_ICU_TEXT(U_ICU_VERSION_MAJOR_NUM), RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    IcuApi a;
    if (bind(library, BREVIA_ICU_TEXT(u_strFromUTF8), a.fromUtf8) &&
        bind(library, BREVIA_ICU_TEXT(u_strToUTF8), a.toUtf8) &&
        bind(library, BREVIA_ICU_TEXT(usprep_openByType), a.openProfile) &&
        bind(library, BREVIA_ICU_TEXT(usprep_prepare), a.prepare) &&
        bind(library, BREVIA_ICU_TEXT(usprep_close), a.closeProfile)) {
      a.loaded = true;
      api = a;
    }
    // The library stays loaded for the life of the process, as a linked one would.
  });
  return api;
}

struct ProfileCloser {
  void operator()(UStringPrepProfile* p) const { icu().closeProfile(p); }
};

}  // namespace

std::string latin1Bytes(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      out.push_back(static_cast<char>(((c & 0x03) << 6) | (utf8[i + 1] & 0x3F)));
      ++i;
    } else {
      return utf8;
    }
  }
  return out;
}

std::string saslPrep(const std::string& utf8) {
  if (utf8.empty() || utf8.size() > std::size_t(kMaxPreparedUnits)) return utf8;
  const IcuApi& u = icu();
  if (!u.loaded) return utf8;
  UErrorCode status = U_ZERO_ERROR;
  std::vector<UChar> wide(kMaxPreparedUnits);
  int32_t wideLength = 0;
  u.fromUtf8(wide.data(), kMaxPreparedUnits, &wideLength, utf8.data(),
             static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status) || wideLength > kMaxPreparedUnits) return utf8;

  std::unique_ptr<UStringPrepProfile, ProfileCloser> profile(
      u.openProfile(USPREP_RFC4013_SASLPREP, &status));
  if (U_FAILURE(status) || !profile) return utf8;
  // NFKC may lengthen the text a few times over.
  std::vector<UChar> prepared(4 * kMaxPreparedUnits);
  UParseError parseError;
  int32_t preparedLength =
      u.prepare(profile.get(), wide.data(), wideLength, prepared.data(),
                static_cast<int32_t>(prepared.size()), USPREP_DEFAULT, &parseError, &status);
  if (U_FAILURE(status)) return utf8;

  std::string out(4 * static_cast<std::size_t>(preparedLength) + 4, '\0');
  int32_t outLength = 0;
  u.toUtf8(out.data(), static_cast<int32_t>(out.size()), &outLength, prepared.data(),
           preparedLength, &status);
  if (U_FAILURE(status)) return utf8;
  out.resize(static_cast<std::size_t>(outLength));
  return out;
}

}  // namespace SecurityPassword
