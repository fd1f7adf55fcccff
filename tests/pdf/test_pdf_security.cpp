// MD5 and RC4 against their published vectors; the standard security
// handler's key derivation and password tests against entries taken from
// files that qpdf encrypted (keys as `qpdf --show-encryption-key` prints them).
#include <gtest/gtest.h>

#include <string>

#include "pdf/PDFAES.h"
#include "pdf/PDFMD5.h"
#include "pdf/PDFRC4.h"
#include "pdf/PDFSecurity.h"
#include "pdf/PDFSHA2.h"

namespace tessaly::pdf {
namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

std::string Unhex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

TEST(MD5, Rfc1321Vectors) {
  struct Case {
    const char* input;
    const char* digest;
  };
  const Case cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      // 80 bytes: the padding spills into a second block.
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Case& c : cases) EXPECT_EQ(Hex(MD5Digest(c.input)), c.digest) << '"' << c.input << '"';
}

TEST(MD5, PiecewiseUpdateEqualsWhole) {
  const std::string text(1000, 'x');
  for (std::size_t cut : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 999u}) {
    TMD5 md5;
    md5.Update(std::string_view(text).substr(0, cut));
    md5.Update(std::string_view(text).substr(cut));
    const TMD5::Digest d = md5.Final();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.data()), 16), MD5Digest(text)) << cut;
  }
}

TEST(RC4, PublishedVectors) {
  struct Case {
    const char* key;
    const char* plain;
    const char* cipherHex;
  };
  const Case cases[] = {
      {"Key", "Plaintext", "bbf316e8d940af0ad3"},
      {"Wiki", "pedia", "1021bf0420"},
      {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Hex(RC4Crypt(c.key, c.plain)), c.cipherHex) << c.key;
    EXPECT_EQ(RC4Crypt(c.key, RC4Crypt(c.key, c.plain)), c.plain) << c.key;
  }
  // RFC 6229, 40-bit key 0102030405: the first 16 bytes of key stream.
  EXPECT_EQ(Hex(RC4Crypt(Unhex("0102030405"), std::string(16, '\0'))), "b2396305f03dc027ccc3524a0a1118a8");
  EXPECT_EQ(RC4Crypt("", "same"), "same");
}

TEST(SecurityHandler, Pad32) {
  EXPECT_EQ(Pad32(""), std::string(kPasswordPadding));
  EXPECT_EQ(Pad32("ab").substr(0, 4), std::string("ab") + std::string(kPasswordPadding.substr(0, 2)));
  EXPECT_EQ(Pad32(std::string(40, 'z')), std::string(32, 'z'));
}

TEST(SecurityHandler, PermissionWord) {
  // Ghostscript writes /P unsigned; the word is the same as -4.
  EXPECT_EQ(PermissionWordFromNumber(4294967292.0), -4);
  EXPECT_EQ(PermissionWordFromNumber(-4.0), -4);
  EXPECT_EQ(PermissionWordFromNumber(-3904.0), -3904);
  EXPECT_EQ(PermissionWordFromNumber(4294967296.0 + 5), 5);
  EXPECT_EQ(PermissionWordFromNumber(1e300), 0);  // a multiple of 2^32

  struct Case {
    std::int32_t p;
    bool extended;
    std::uint32_t hashed;
  };
  const Case cases[] = {
      {-4, false, 0xFFFFFFFC},          // the usual value hashes as itself
      {-44, false, 0xFFFFFFD4},         // print and copy bits cleared: kept
      {-3904, true, 0xFFFFF0C0},        // revision-3 bits cleared, extended
      {-3904, false, 0xFFFFFFC0},       // the same bits outside extended mode are set
      {-68, false, 0xFFFFFFFC},         // bit 64 cleared in P is set in P'
      {0xC0, false, 0xFFC0},            // small unsigned value: cut to 16 bits
      {-1, false, 0xFFFFFFFC},          // bits 1 and 2 always clear
  };
  for (const Case& c : cases) EXPECT_EQ(HashedPermission(c.p, c.extended), c.hashed) << c.p << ' ' << c.extended;
}

// Entries of files that qpdf 11 encrypted from the same document.
constexpr const char* kQpdfId = "30778122ac7a0bda54bb053af88ad4a1";

TPDFSecurityParams QpdfParams(int v, int r, int length, const char* o, const char* u) {
  TPDFSecurityParams p;
  p.state = kStandardEncrypted;
  p.handlerVersion = v;
  p.revision = r;
  p.strength = v == 1 ? 40 : length;
  p.ownerEntry = Unhex(o);
  p.userEntry = Unhex(u);
  p.permissionWord = -4;
  p.fileId = Unhex(kQpdfId);
  return p;
}

const TPDFSecurityParams kRc4_40 = QpdfParams(1, 2, 40, "c92422687facee686e373f10b5c7d04738053152f7e2ee30e11c69ec442576ab",
                                              "134e752adf1f114be0f2299e9c1c29924283c4bc7d2f0a6704a45120341ef317");
const TPDFSecurityParams kRc4_40User = QpdfParams(1, 2, 40, "94e8094419662a774442fb072e3d9f19e9d130ec09a4d0061e78fe920f7ab62f",
                                                  "b9f67cfb5346b69d317a77dca4e22cb3e47a52f0bbbcb970ebd765fce89cfa07");
const TPDFSecurityParams kRc4_128 = QpdfParams(2, 3, 128, "566fa873ee33c797cd3b904fdadf814afa34df9a38f6ed41b984e2c6da2aa6f5",
                                               "1647c900994b3ebb8394ed28b05cd3710122456a91bae5134273a6db134c87c4");
const TPDFSecurityParams kRc4_128User = QpdfParams(2, 3, 128, "0ba3835f88f90388e74e54584125ce142be0de24c6b0d37746e075b891756671",
                                                   "de28198684b2ea4cc1b7c18c9416f0310122456a91bae5134273a6db134c87c4");

TEST(SecurityHandler, PasswordsOfQpdfFiles) {
  struct Case {
    const char* name;
    TPDFSecurityParams params;
    const char* password;
    bool accepted;
    const char* fileKey;  // when accepted
  };
  const Case cases[] = {
      // Empty user password, 40 bits and 128 bits.
      {"rc4-40 empty", kRc4_40, "", true, "9c880febe1"},
      {"rc4-128 empty", kRc4_128, "", true, "ab99cc431832598471b4b198dd0cde45"},
      // The owner password gives the same file key.
      {"rc4-128 owner", kRc4_128, "owner", true, "ab99cc431832598471b4b198dd0cde45"},
      // User password set: the empty one fails, the user and owner ones pass.
      {"rc4-128-user empty", kRc4_128User, "", false, ""},
      {"rc4-128-user user", kRc4_128User, "user", true, "718e9dd44071023f6d5684825e7c2a60"},
      {"rc4-128-user owner", kRc4_128User, "owner", true, "718e9dd44071023f6d5684825e7c2a60"},
      {"rc4-128-user wrong", kRc4_128User, "User", false, ""},
      {"rc4-40-user empty", kRc4_40User, "", false, ""},
      {"rc4-40-user owner", kRc4_40User, "owner", true, "d24334ea32"},
  };
  for (const Case& c : cases) {
    TPDFSecurityHandler handler(c.params);
    EXPECT_EQ(handler.TryPassword(c.password), c.accepted) << c.name;
    EXPECT_EQ(handler.AcceptedPassword().has_value(), c.accepted) << c.name;
    if (c.accepted) {
      EXPECT_EQ(*handler.AcceptedPassword(), c.password) << c.name;
      EXPECT_EQ(Hex(handler.FileKey()), c.fileKey) << c.name;
      EXPECT_TRUE(handler.CanDecrypt()) << c.name;
    } else {
      EXPECT_FALSE(handler.CanDecrypt()) << c.name;
    }
  }
}

TEST(SecurityHandler, FaultsInTheInputsRejectEveryPassword) {
  struct Case {
    const char* name;
    void (*change)(TPDFSecurityParams&);
  };
  const Case cases[] = {
      // A file without /ID gets a made-up identifier: the key differs.
      {"other file id", [](TPDFSecurityParams& p) { p.fileId = "0123456789abcdef"; }},
      // A permission word other than the one the writer hashed.
      {"other permissions", [](TPDFSecurityParams& p) { p.permissionWord = -8; }},
      // Unsupported handler state or revision.
      {"other handler", [](TPDFSecurityParams& p) { p.state = kOtherEncrypted; }},
      {"revision 4", [](TPDFSecurityParams& p) { p.revision = 4; }},
      {"version 4", [](TPDFSecurityParams& p) { p.handlerVersion = 4; }},
      // A user entry shorter than the 16 bytes compared.
      {"short user entry", [](TPDFSecurityParams& p) { p.userEntry.resize(8); }},
  };
  for (const Case& c : cases) {
    TPDFSecurityParams params = kRc4_128;
    c.change(params);
    TPDFSecurityHandler handler(params);
    EXPECT_FALSE(handler.UserPasswordTest("")) << c.name;
    EXPECT_FALSE(handler.OwnerPasswordTest("owner")) << c.name;
    EXPECT_FALSE(handler.TryPassword("")) << c.name;
  }
}

TEST(SecurityHandler, NotEncryptedPassesOnlyTheEmptyPassword) {
  TPDFSecurityHandler handler;
  EXPECT_TRUE(handler.UserPasswordTest(""));
  EXPECT_FALSE(handler.UserPasswordTest("x"));
  EXPECT_TRUE(handler.OwnerPasswordTest(""));
  EXPECT_FALSE(handler.OwnerPasswordTest("x"));
  EXPECT_TRUE(handler.TryPassword(""));
  EXPECT_FALSE(handler.CanDecrypt());
}

// The owner entry as a writer makes it (the reverse of the owner test):
// RC4 of the padded user password keyed from the padded owner password.
std::string MakeOwnerEntry(const std::string& owner, const std::string& user, bool extended) {
  std::string digest = MD5Digest(Pad32(owner));
  if (extended)
    for (int i = 0; i < 50; ++i) digest = MD5Digest(digest);
  const std::string key = digest.substr(0, extended ? 16 : 5);
  std::string entry = RC4Crypt(key, Pad32(user));
  if (extended) {
    for (int j = 1; j <= 19; ++j) {
      std::string k = key;
      for (char& ch : k) ch = static_cast<char>(ch ^ j);
      entry = RC4Crypt(k, entry);
    }
  }
  return entry;
}

TEST(SecurityHandler, EmptyOwnerPasswordOpensThroughTheOwnerTest) {
  for (bool extended : {false, true}) {
    TPDFSecurityParams p;
    p.state = kStandardEncrypted;
    p.handlerVersion = extended ? 2 : 1;
    p.revision = extended ? 3 : 2;
    p.strength = extended ? 128 : 40;
    p.permissionWord = -4;
    p.fileId = Unhex(kQpdfId);
    p.ownerEntry = MakeOwnerEntry("", "secret", extended);
    TPDFSecurityHandler maker(p);
    p.userEntry = maker.UserEntryFor(maker.ComputeFileKey("secret"));

    TPDFSecurityHandler handler(p);
    EXPECT_FALSE(handler.UserPasswordTest("")) << extended;
    EXPECT_TRUE(handler.TryPassword("")) << extended;
    EXPECT_EQ(handler.FileKey(), maker.ComputeFileKey("secret")) << extended;
  }
}

TEST(SecurityHandler, Version2WithoutLengthUsesSixteenByteKeys) {
  TPDFSecurityParams p = kRc4_128;
  p.strength = 0;
  TPDFSecurityHandler handler(p);
  EXPECT_TRUE(handler.ExtendedMode());
  EXPECT_EQ(handler.KeyLength(), 16u);
  EXPECT_EQ(handler.ComputeFileKey("").size(), 16u);
}

TEST(SecurityHandler, ObjectKey) {
  TPDFSecurityHandler handler(kRc4_40);
  ASSERT_TRUE(handler.TryPassword(""));
  // MD5 over the 5-byte key, 3 bytes of the number and 2 of the generation.
  const std::string expected = MD5Digest(Unhex("9c880febe1") + std::string("\x0c\x00\x00\x01\x00", 5)).substr(0, 10);
  EXPECT_EQ(handler.ObjectKey(12, 1), expected);
  // Only the low three bytes of the number count.
  EXPECT_EQ(handler.ObjectKey(0x0100000C, 1), expected);

  TPDFSecurityHandler wide(kRc4_128);
  ASSERT_TRUE(wide.TryPassword(""));
  EXPECT_EQ(wide.ObjectKey(1, 0).size(), 16u);  // 16 + 5 is cut to 16
}

TEST(AES, PublishedVectorsAndPadding) {
  // NIST SP 800-38A, F.2.1 (CBC-AES128), first block.
  const std::string key = Unhex("2b7e151628aed2a6abf7158809cf4f3c");
  const std::string iv = Unhex("000102030405060708090a0b0c0d0e0f");
  const std::string plain = Unhex("6bc1bee22e409f96e93d7e117393172a");
  const std::string cipher = Unhex("7649abac8119b246cee98e9b12e9197d");
  EXPECT_EQ(AESEncryptCBC(key, iv, plain), cipher);
  EXPECT_EQ(AESDecryptCBC(key, iv, cipher), plain);
  struct Case {
    const char* name;
    std::string tail;  // plaintext block after the first, encrypted below
    std::string expected;
  };
  const std::string padded = "abc" + std::string(13, '\x0d');
  const std::string badPad = "abc" + std::string(12, '\x0d') + "\x05";
  const std::string zeroPad = "abc" + std::string(13, '\0');
  const Case cases[] = {
      {"PKCS#7 padding removed", padded, plain + "abc"},
      {"a padding byte that disagrees is kept", badPad, plain + badPad},
      {"no padding at all is kept", zeroPad, plain + zeroPad},
  };
  for (const Case& c : cases) {
    const std::string data = iv + AESEncryptCBC(key, iv, plain + c.tail);
    EXPECT_EQ(AESDecryptData(key, data), c.expected) << c.name;
    // A partial last block is dropped with whatever follows.
    EXPECT_EQ(AESDecryptData(key, data + "xyz"), c.expected) << c.name;
  }
  EXPECT_EQ(AESDecryptData(key, iv), "");               // the IV alone
  EXPECT_EQ(AESDecryptData(key.substr(0, 5), iv + cipher), "");  // no AES key length
}

TEST(SHA2, PublishedVectors) {
  // FIPS 180-2 examples for "abc".
  EXPECT_EQ(SHA2Digest(256, "abc"), Unhex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
  EXPECT_EQ(SHA2Digest(384, "abc").substr(0, 8), Unhex("cb00753f45a35e8b"));
  EXPECT_EQ(SHA2Digest(512, "abc").substr(0, 8), Unhex("ddaf35a193617aba"));
  EXPECT_EQ(SHA2Digest(128, "abc"), "");
}

// The encryption dictionary of qpdf-aes-256-user.pdf (qpdf 11, `--encrypt
// user owner 256`: /V 5, /R 6) and qpdf-aes-256-r5.pdf (`--force-R5`, empty
// user password).
TPDFSecurityParams Aes256Params(int r, const char* o, const char* u, const char* oe, const char* ue,
                                const char* perms) {
  TPDFSecurityParams p;
  p.state = kStandardEncrypted;
  p.handlerVersion = 5;
  p.revision = r;
  p.strength = 256;
  p.ownerEntry = Unhex(o);
  p.userEntry = Unhex(u);
  p.ownerKeyEntry = Unhex(oe);
  p.userKeyEntry = Unhex(ue);
  p.permsEntry = Unhex(perms);
  p.permissionWord = -4;
  p.fileId = Unhex(kQpdfId);
  p.stringMethod = p.streamMethod = TCryptMethod::kAESV3;
  return p;
}

const TPDFSecurityParams kAes256User = Aes256Params(
    6, "e5261525da44f36fe9807f16d2020da6dd4f260700029061af854361b0cd79b89f55e46f56ebb9f3f81ae11c80eaa339",
    "1ebd769ec184255df5f20a7e0ba38d300e1073cd1e68a80d5ddb1b19104eb87a2230468781aeeaeea13bb26f31b00aa3",
    "01147e3c97a17768fcc3de554c70bcec4b51bd53b7ed4bffb83865d3b1a57c2b",
    "62cfc9244805f4181a093885a32ad937bf3b184181a67c874a604259fec490da", "47e9151a82ac400a73055e4701a2066a");

TEST(SecurityHandler, Revision6HashOfAQpdfFile) {
  struct Case {
    const char* password;
    bool user, owner;
  };
  const Case cases[] = {
      {"user", true, false},
      {"owner", false, true},
      {"", false, false},
      {"wrong", false, false},
      {"User", false, false},
  };
  std::string userKey;
  for (const Case& c : cases) {
    TPDFSecurityHandler handler(kAes256User);
    EXPECT_EQ(handler.UserPasswordTest(c.password), c.user) << c.password;
    if (c.user) userKey = handler.WorkingKey();
    EXPECT_EQ(handler.OwnerPasswordTest(c.password), c.owner) << c.password;
    // Both passwords give the same 32-byte file key, from /UE and from /OE.
    if (c.owner) {
      EXPECT_EQ(handler.WorkingKey().size(), 32u);
      EXPECT_EQ(handler.WorkingKey(), userKey);
    }
    EXPECT_EQ(handler.TryPassword(c.password), c.user || c.owner) << c.password;
  }
  // A /Perms that the key does not decrypt to "adb" refuses the key.
  TPDFSecurityParams tampered = kAes256User;
  tampered.permsEntry[0] = static_cast<char>(tampered.permsEntry[0] ^ 1);
  EXPECT_FALSE(TPDFSecurityHandler(tampered).UserPasswordTest("user"));
  // Revision 5 hashes the same entries with one SHA-256: they do not match.
  TPDFSecurityParams r5 = kAes256User;
  r5.revision = 5;
  EXPECT_FALSE(TPDFSecurityHandler(r5).UserPasswordTest("user"));
}

TEST(SecurityHandler, AesObjectKeysTakeTheSaltSuffix) {
  TPDFSecurityParams p = kRc4_128;
  p.handlerVersion = 4;
  p.revision = 4;
  p.stringMethod = p.streamMethod = TCryptMethod::kAESV2;
  TPDFSecurityHandler handler(p);
  ASSERT_TRUE(handler.TryPassword(""));
  const std::string key = handler.FileKey() + std::string("\x0c\x00\x00\x01\x00", 5);
  EXPECT_EQ(handler.ObjectKey(12, 1, true), MD5Digest(key + "sAlT"));
  EXPECT_EQ(handler.ObjectKey(12, 1), MD5Digest(key));
  // The cipher decrypts strings with that key: IV first, then the blocks.
  const std::string iv(16, '\x42');
  const std::string data = iv + AESEncryptCBC(MD5Digest(key + "sAlT"), iv, "Hello" + std::string(11, '\x0b'));
  EXPECT_EQ(handler.ObjectCipher(12, 1).String(data), "Hello");
}

}  // namespace
}  // namespace tessaly::pdf
