#include "engine/document/security_password.h"

#include <unicode/usprep.h>
#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <memory>
#include <vector>

namespace SecurityPassword {

namespace {

// Passwords beyond this many UTF-16 units are prepared no further than that.
constexpr int32_t kMaxPreparedUnits = 1024;

struct ProfileCloser {
  void operator()(UStringPrepProfile* p) const { usprep_close(p); }
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
  UErrorCode status = U_ZERO_ERROR;
  std::vector<UChar> wide(kMaxPreparedUnits);
  int32_t wideLength = 0;
  u_strFromUTF8(wide.data(), kMaxPreparedUnits, &wideLength, utf8.data(),
                static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status) || wideLength > kMaxPreparedUnits) return utf8;

  std::unique_ptr<UStringPrepProfile, ProfileCloser> profile(
      usprep_openByType(USPREP_RFC4013_SASLPREP, &status));
  if (U_FAILURE(status) || !profile) return utf8;
  // NFKC may lengthen the text a few times over.
  std::vector<UChar> prepared(4 * kMaxPreparedUnits);
  UParseError parseError;
  int32_t preparedLength =
      usprep_prepare(profile.get(), wide.data(), wideLength, prepared.data(),
                     static_cast<int32_t>(prepared.size()), USPREP_DEFAULT, &parseError, &status);
  if (U_FAILURE(status)) return utf8;

  std::string out(4 * static_cast<std::size_t>(preparedLength) + 4, '\0');
  int32_t outLength = 0;
  u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &outLength, prepared.data(),
              preparedLength, &status);
  if (U_FAILURE(status)) return utf8;
  out.resize(static_cast<std::size_t>(outLength));
  return out;
}

}  // namespace SecurityPassword
