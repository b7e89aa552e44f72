#include "engine/document/standard_security.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace StandardSecurity;

std::string fromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t pos = 0; pos + 1 < hex.size(); pos += 2) {
    bytes.push_back(char(std::stoi(std::string(hex.substr(pos, 2)), nullptr, 16)));
  }
  return bytes;
}

Parameters parameters(int32_t revision, int32_t keyLengthBits, int32_t permissions,
                      std::string_view o, std::string_view u, std::string_view id) {
  Parameters p;
  p.revision = revision;
  p.keyLengthBits = keyLengthBits;
  p.permissions = permissions;
  p.ownerHash = fromHex(o);
  p.userHash = fromHex(u);
  p.documentId = fromHex(id);
  return p;
}

// Encryption dictionaries and trailer IDs of files made by an independent PDF tool from one
// plain document whose Info (object 2) has /Title (Brevia secret title) and
// /Subject <FEFF00410042>. Owner password "owner" throughout.
constexpr const char* kId = "b11cd2fe0344ff9c6ef8153dd8543a75";
const Parameters kRevision2 =
    parameters(2, 40, -4, "94e8094419662a774442fb072e3d9f19e9d130ec09a4d0061e78fe920f7ab62f",
               "5856c447ae2d51b0af7801e1daf1b2cc3cfc7d0d99d5cbf529643e744468fadc", kId);
const Parameters kRevision3 =
    parameters(3, 128, -4, "0ba3835f88f90388e74e54584125ce142be0de24c6b0d37746e075b891756671",
               "2b199a124bda2f378a9320f787ede4340122456a91bae5134273a6db134c87c4", kId);
// Empty user password, printing and modifying denied.
const Parameters kRevision3EmptyUser =
    parameters(3, 128, -3376, "566fa873ee33c797cd3b904fdadf814afa34df9a38f6ed41b984e2c6da2aa6f5",
               "fbb9ae2bc11e10af5ba2f17a760ea5700122456a91bae5134273a6db134c87c4", kId);
// User password "abcdefghijklmnopqrstuvwxyz0123456789ABCD" (40 bytes).
const Parameters kRevision2LongUser =
    parameters(2, 40, -4, "80f90f5254bf0341635d1a2a2753be3f6759429052fca7c8b76af02312452be4",
               "cbeb3e7fdad94d0959f1c1c93a20109ea4d7c2a099dc5ea22a7a64a875217ee8", kId);

struct EncryptedInfo {
  const Parameters& parameters;
  const char* title;
  const char* subject;
};

TEST(StandardSecurity, RealFilesAuthenticateAndDecrypt) {
  const EncryptedInfo files[] = {
      {kRevision2, "115382029f2ec98d7506d5332e58762dc742ba", "addee735f60d"},
      {kRevision3, "816440d0040c1a1aa586cdcb67087bd41ab864", "3de925e76d2f"},
      {kRevision3EmptyUser, "a1c97a1a1a3f0b59dc985966b2eba8a1e0f393", "1d441f2d731c"},
  };
  for (const EncryptedInfo& file : files) {
    SCOPED_TRACE(file.parameters.revision);
    bool emptyUser = &file.parameters == &kRevision3EmptyUser;
    std::optional<FileKey> userKey = checkUserPassword(emptyUser ? "" : "user", file.parameters);
    std::optional<FileKey> ownerKey = checkOwnerPassword("owner", file.parameters);
    ASSERT_TRUE(userKey && ownerKey);
    EXPECT_EQ(*userKey, *ownerKey);
    EXPECT_EQ(userKey->size(), std::size_t(file.parameters.keyLengthBits / 8));
    EXPECT_EQ(checkUserPassword(emptyUser ? "user" : "", file.parameters), std::nullopt);
    EXPECT_EQ(checkUserPassword("owner", file.parameters), std::nullopt);
    EXPECT_EQ(checkOwnerPassword("user", file.parameters), std::nullopt);
    EXPECT_EQ(checkOwnerPassword("Owner", file.parameters), std::nullopt);

    std::string title = fromHex(file.title);
    decryptObjectData(*userKey, 2, 0, title);
    EXPECT_EQ(title, "Brevia secret title");
    std::string subject = fromHex(file.subject);
    decryptObjectData(*userKey, 2, 0, subject);
    EXPECT_EQ(subject, fromHex("feff00410042"));
    EXPECT_EQ(reduceFeFfString(subject), "AB");
    // The object number is part of the key.
    std::string wrongObject = fromHex(file.title);
    decryptObjectData(*userKey, 3, 0, wrongObject);
    EXPECT_NE(wrongObject, "Brevia secret title");
  }
}

TEST(StandardSecurity, PasswordsBeyond32BytesAreTruncated) {
  EXPECT_TRUE(checkUserPassword("abcdefghijklmnopqrstuvwxyz0123456789ABCD", kRevision2LongUser));
  EXPECT_TRUE(checkUserPassword("abcdefghijklmnopqrstuvwxyz012345", kRevision2LongUser));
  EXPECT_FALSE(checkUserPassword("abcdefghijklmnopqrstuvwxyz01234", kRevision2LongUser));
  EXPECT_TRUE(checkOwnerPassword("owner", kRevision2LongUser));
}

TEST(StandardSecurity, PermissionRule) {
  EXPECT_TRUE(userPasswordPermitsOpening(-4));
  EXPECT_TRUE(userPasswordPermitsOpening(4));
  EXPECT_TRUE(userPasswordPermitsOpening(8));
  EXPECT_FALSE(userPasswordPermitsOpening(-3376));  // the empty-user file above
  EXPECT_FALSE(userPasswordPermitsOpening(-16));
  EXPECT_EQ(permissionsFromText("-3376"), -3376);
  EXPECT_EQ(permissionsFromText("4294967292"), -4);  // written unsigned
  EXPECT_EQ(permissionsFromText("junk"), 0);
}

// Computed independently: revision 3, user "user", owner "owner", P -4; a string of object 7
// generation 0 that decrypts to "Hello without ID".
TEST(StandardSecurity, MissingOrShortIdUsesTheBytesThatExist) {
  const Parameters noId =
      parameters(3, 128, -4, "0ba3835f88f90388e74e54584125ce142be0de24c6b0d37746e075b891756671",
                 "d52f418ee41c32067b529f80f00b4e8300000000000000000000000000000000", "");
  const Parameters shortId56 = parameters(
      3, 56, -4, "a27a7b650675b4527e798e830f0faa48e71c09d761f15aa15d51758071248e23",
      "677ae8df66c14abcccbc625ebf43e7c000000000000000000000000000000000", "0011223344556677");
  const std::pair<const Parameters&, const char*> cases[] = {
      {noId, "742cb7f7f18e836640ec2c250b45b742"},
      {shortId56, "e7d8306590b8d46001cccd015c6d9b82"},
  };
  for (const auto& [file, encrypted] : cases) {
    std::optional<FileKey> key = checkUserPassword("user", file);
    ASSERT_TRUE(key);
    EXPECT_EQ(checkOwnerPassword("owner", file), key);
    std::string text = fromHex(encrypted);
    decryptObjectData(*key, 7, 0, text);
    EXPECT_EQ(text, "Hello without ID");
  }
}

TEST(StandardSecurity, MalformedValuesStayInBounds) {
  EXPECT_EQ(keyLengthBytes(40), 5);
  EXPECT_EQ(keyLengthBytes(44), 5);
  EXPECT_EQ(keyLengthBytes(128), 16);
  EXPECT_EQ(keyLengthBytes(-8), kMinKeyBytes);
  EXPECT_EQ(keyLengthBytes(4096), kMaxKeyBytes);
  // Short O and U, odd and huge key lengths: nothing matches, nothing is read past the end.
  for (int32_t bits : {-2147483647 - 1, 0, 7, 44, 129, 4096, 2147483647}) {
    for (int32_t revision : {2, 3, 4}) {
      Parameters broken = parameters(revision, bits, -4, "0102", "03", "");
      EXPECT_EQ(computeFileKey("user", broken).size(), std::size_t(keyLengthBytes(bits)));
      EXPECT_FALSE(checkUserPassword("user", broken));
      EXPECT_FALSE(checkOwnerPassword("owner", broken));
    }
  }
  // A file key longer than 16 bytes only contributes its first 16.
  std::vector<uint8_t> longKey(40, 0x5a);
  EXPECT_EQ(objectKey(longKey, 1, 0), objectKey(std::span(longKey).first(16), 1, 0));
  EXPECT_EQ(objectKey(longKey, 1, 0).size(), 16u);
  EXPECT_EQ(objectKey(std::span(longKey).first(5), 1, 0).size(), 10u);
}

TEST(StandardSecurity, FeFfStringsReduceToLowBytes) {
  EXPECT_EQ(reduceFeFfString(fromHex("feff00410042")), "AB");
  EXPECT_EQ(reduceFeFfString(fromHex("feff0041004243")), "AB");  // the odd last byte is no unit
  EXPECT_EQ(reduceFeFfString(fromHex("feff")), "");
  EXPECT_EQ(reduceFeFfString(fromHex("fffe41004200")), fromHex("fffe41004200"));
}

}  // namespace

// AES files made by an independent PDF tool (user password "user", owner "owner", P -4); the
// content stream of object 6 decrypts to this zlib data.
constexpr const char* kAesPlainContent =
    "789c335030503054284a57303430006323203606e2a2548534a08c011006b92b982a942b981a80502e9030503007"
    "e21c85600088ad0ca7";

TEST(StandardSecurityAes, Revision4UsesRevision3KeysAndSaltedObjectKeys) {
  const Parameters file =
      parameters(4, 128, -4, "0ba3835f88f90388e74e54584125ce142be0de24c6b0d37746e075b891756671",
                 "55b0262d6b4840f26f51974606522a900122456a91bae5134273a6db134c87c4",
                 "4dee173854184cb22cb8e55fb6998037");
  std::optional<FileKey> user = checkUserPassword("user", file);
  ASSERT_TRUE(user);
  EXPECT_EQ(checkOwnerPassword("owner", file), user);
  EXPECT_FALSE(checkUserPassword("owner", file));
  std::string content = fromHex(
      "fd0e74561160419b23117c899665ddf010575989d5e314e97f0216d9c7637e50c2afbed7be4545bc22bee17cf771"
      "fbf12b1d76e84e653a173cd006b61ab9a3d65ee69ec5be8d2edfaa7a185d86d5d945");
  std::string wrongObject = content;
  decryptObjectData(CryptMethod::AesV2, *user, 6, 0, content);
  EXPECT_EQ(content, fromHex(kAesPlainContent));
  decryptObjectData(CryptMethod::AesV2, *user, 7, 0, wrongObject);
  EXPECT_NE(wrongObject, fromHex(kAesPlainContent));
  // Metadata left in clear changes the key.
  Parameters clearMetadata = file;
  clearMetadata.encryptMetadata = false;
  EXPECT_NE(computeFileKey("user", clearMetadata), *user);
}

TEST(StandardSecurityAes, Revision6HashesUnwrapsTheKeyAndChecksPerms) {
  Parameters file = parameters(
      6, 256, -4,
      "068579205e3674465c5ec25502d25944cc6c23925399da6c2058af6f4d0b573bc9801411054a322ad5"
      "60fe1dad83a786",
      "7c36c51e43b4e4877449565f15565ea301f2dcec596d943402df46d39d9b2ba978f0da1c4881149e3c"
      "f86590178bb04a",
      "5dd08b55fb83a323c850eaddfbbda2ff");
  file.ownerKey = fromHex("08f1e237421ff41869081076e8618a22150b485d856ebf6d7e13b033fcde836c");
  file.userKey = fromHex("4e115b46cce239a61ef28c9283a6fb2aac77f65287efb21aeaa8c7363c936727");
  file.perms = fromHex("740c5abd465904f3141d1c20f86058bb");
  std::optional<FileKey> user = checkUserPassword("user", file);
  ASSERT_TRUE(user);
  EXPECT_EQ(user->size(), 32u);
  EXPECT_EQ(checkOwnerPassword("owner", file), user);
  EXPECT_FALSE(checkUserPassword("owner", file));
  EXPECT_FALSE(checkOwnerPassword("user", file));
  EXPECT_FALSE(checkUserPassword("", file));
  EXPECT_EQ(permissionsFromPerms(*user, file), std::optional<int32_t>(-4));
  EXPECT_EQ(permissionsFromPerms(FileKey(32, 0), file), std::nullopt);

  std::string content = fromHex(
      "01ee72cddaa1fff7100b8b63eb199c3879369661dfd734b4b55e94aabf262386c0c856e76dc944949ad2a44a3861"
      "020e5b5b75b2125ea5866daad358806f63514eeaa9100394fef1a36fc7bcff8410a3");
  decryptObjectData(CryptMethod::AesV3, *user, 6, 0, content);
  EXPECT_EQ(content, fromHex(kAesPlainContent));

  // Revision 5 is the same layout with a single SHA-256; the two hashes differ.
  EXPECT_NE(aes256Hash(5, "user", "12345678", ""), aes256Hash(6, "user", "12345678", ""));
}

TEST(StandardSecurityAes, DamagedAesDataStaysInBounds) {
  const FileKey key(32, 7);
  for (std::size_t size : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 100u}) {
    std::string data(size, '\x5a');
    decryptObjectData(CryptMethod::AesV3, key, 1, 0, data);
    EXPECT_LE(data.size(), size > 16 ? size - 16 : 0u);
    std::string v2(size, '\x5a');
    decryptObjectData(CryptMethod::AesV2, FileKey(16, 1), 1, 0, v2);
    EXPECT_LE(v2.size(), size);
  }
  // A wrong-sized AES-256 key decrypts nothing; U and O too short never match.
  std::string data(48, '\x01');
  decryptObjectData(CryptMethod::AesV3, FileKey(16, 1), 1, 0, data);
  EXPECT_TRUE(data.empty());
  Parameters broken = parameters(6, 256, -4, "0102", "03", "");
  EXPECT_FALSE(checkUserPassword("", broken));
  EXPECT_FALSE(checkOwnerPassword("", broken));
  EXPECT_EQ(computeFileKey("", broken).size(), 32u);
}
