// The framing's primitives against published vectors (FIPS 180-2, the NaCl secretbox test, RFC 7748,
// RFC 8032, RFC 4648) and its own derivations against independent constructions.
#include "lirra/lirra_crypto.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "lirra/lirra_base64.h"

namespace {

std::vector<unsigned char> hex(const std::string& text) {
  std::vector<unsigned char> out(text.size() / 2);
  size_t length = 0;
  EXPECT_EQ(sodium_hex2bin(out.data(), out.size(), text.data(), text.size(), " ", &length, nullptr), 0);
  out.resize(length);
  return out;
}

std::string toHex(const unsigned char* data, size_t length) {
  std::string out(length * 2 + 1, '\0');
  sodium_bin2hex(out.data(), out.size(), data, length);
  out.pop_back();
  return out;
}

TEST(LirraCrypto, Sha256OfAbcIsTheStandardDigest) {
  unsigned char digest[32];
  curve25519_compress(digest, reinterpret_cast<const unsigned char*>("bc"), 2,
                      reinterpret_cast<const unsigned char*>("a"), 1);
  EXPECT_EQ(toHex(digest, 32), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(LirraCrypto, CipherIsTheNaclSecretboxInDetachedForm) {
  const auto key = hex("1b27556473e985d462cd51197a9a46c76009549eac6474f206c4ee0844f68389");
  const auto nonce = hex("69696ee955b62b73cd62bda875fc73d68219e0036b7a0b37");
  const auto message =
      hex("be075fc53c81f2d5cf141316ebeb0c7b5228c52a4c62cbd44b66849b64244ffce5ecbaaf33bd751a1ac728d45e6c61296c"
          "dc3c01233561"
          "f41db66cce314adb310e3be8250c46f06dceea3a7fa1348057e2f6556ad6b1318a024a838f21af1fde048977eb48f59ffd"
          "4924ca1c60902e"
          "52f0a089bc76897040e082f937763848645e0705");
  const std::string expectedTag = "f3ffc7703f9400e52a7dfb4b3d3305d9";
  const std::string expectedCipher =
      "8e993b9f48681273c29650ba32fc76ce48332ea7164d96a4476fb8c531a1186ac0dfc17c98dce87b4da7f011ec48c97271d2c2"
      "0f9b928f"
      "e2270d6fb863d51738b48eeee314a7cc8ab932164548e526ae90224368517acfeabd6bb3732bc0e9da99832b61ca01b6de5624"
      "4a9e88d5f9"
      "b37973f622a43d14a6599b1f654cb45a74e355a5";
  ASSERT_EQ(message.size(), 131u);
  std::vector<unsigned char> cipher(message.size()), plain(message.size());
  unsigned char tag[16];
  ASSERT_EQ(m_crypto_encrypt(nonce.data(), key.data(), tag, message.data(), cipher.data(), message.size()),
            0);
  EXPECT_EQ(toHex(tag, 16), expectedTag);
  EXPECT_EQ(toHex(cipher.data(), cipher.size()), expectedCipher);

  ASSERT_EQ(m_crypto_decrypt(nonce.data(), key.data(), tag, cipher.data(), plain.data(), plain.size()), 0);
  EXPECT_EQ(plain, message);
  // Every bit of the tag counts, and a message is never opened without one.
  for (int bit : {0, 7, 64, 127}) {
    unsigned char bad[16];
    memcpy(bad, tag, 16);
    bad[bit / 8] ^= static_cast<unsigned char>(1 << (bit % 8));
    EXPECT_EQ(m_crypto_decrypt(nonce.data(), key.data(), bad, cipher.data(), plain.data(), plain.size()), 6)
        << bit;
  }
  EXPECT_EQ(m_crypto_decrypt(nonce.data(), key.data(), nullptr, cipher.data(), plain.data(), plain.size()),
            6);
}

TEST(LirraCrypto, KeyAgreementRestsOnRfc7748AndExpandsWithSha256) {
  ASSERT_GE(sodium_init(), 0);
  // RFC 7748, section 6.1: both sides reach the same shared value.
  const auto alice = hex("77076d0a7318a57d3c16c17251b26645df4c2f87ebc0992ab177fba51db92c2a");
  const auto alicePublic = hex("8520f0098930a754748b7ddcb43ef75a0dbf3a0d26381af4eba4a98eaa9b4e6a");
  const auto bobPublic = hex("de9edb7d7b7dc1b4d35b61c2ece435373f8343c85b78674dadfc7e146f882b4f");
  unsigned char shared[32], pub[32];
  crypto_scalarmult_base(pub, alice.data());
  EXPECT_EQ(toHex(pub, 32), toHex(alicePublic.data(), 32));
  ASSERT_EQ(crypto_scalarmult(shared, alice.data(), bobPublic.data()), 0);
  EXPECT_EQ(toHex(shared, 32), "4a5d9d5ba4ce2de1728e3bf480350f25e07e21c947d19e3376f09b3c1e161742");

  // The derivation: scalar = SHA-256(salt || secret), then SHA-256(shared || counter) blocks.
  const unsigned char salt[] = {'h', 'a', 's', 'h'};
  unsigned char scalar[32];
  std::vector<unsigned char> seeded(salt, salt + 4);
  seeded.insert(seeded.end(), alice.begin(), alice.end());
  crypto_hash_sha256(scalar, seeded.data(), seeded.size());
  unsigned char expectedShared[33];
  ASSERT_EQ(crypto_scalarmult(expectedShared, scalar, bobPublic.data()), 0);
  expectedShared[32] = 0;
  unsigned char block1[32], block2Input[33], block2[32];
  crypto_hash_sha256(block1, expectedShared, 33);
  memcpy(block2Input, block1, 32);
  block2Input[32] = 1;
  crypto_hash_sha256(block2, block2Input, 33);

  unsigned char out[48];
  ASSERT_EQ(
      curve25519_derive_shared_key(out, sizeof(out), alice.data(), 32, bobPublic.data(), nullptr, 0, salt, 4),
      0);
  EXPECT_EQ(toHex(out, 32), toHex(block1, 32));
  EXPECT_EQ(toHex(out + 32, 16), toHex(block2, 16));

  // A low-order peer value would give an all-zero secret: refused.
  const unsigned char zero[32] = {};
  EXPECT_EQ(curve25519_derive_shared_key(out, 32, alice.data(), 32, zero, nullptr, 0, salt, 4), -1);
}

TEST(LirraCrypto, PeerAuthenticationIsEd25519OverKeyAndToken) {
  ASSERT_GE(sodium_init(), 0);
  // RFC 8032, section 7.1, test 2: the platform verifier the framing relies on.
  const auto pub = hex("3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c");
  const auto sig =
      hex("92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c38"
          "7b2eaeb4302a"
          "eeb00d291612bb0c00");
  const unsigned char message[] = {0x72};
  EXPECT_EQ(crypto_sign_verify_detached(sig.data(), message, 1, pub.data()), 0);

  m_crypto_session session;
  unsigned char keys[32] = {1};
  unsigned char signPublic[32], signSecret[64];
  crypto_sign_keypair(signPublic, signSecret);
  ASSERT_EQ(m_crypto_session_init(&session, "v1", "h1", keys, keys, signPublic), 0);
  unsigned char candidate[32];
  randombytes_buf(candidate, 32);
  std::string signedText(reinterpret_cast<const char*>(candidate), 32);
  signedText += "tok_en-1";
  unsigned char auth[64];
  crypto_sign_detached(auth, nullptr, reinterpret_cast<const unsigned char*>(signedText.data()),
                       signedText.size(), signSecret);
  EXPECT_EQ(m_crypto_session_verify_auth(&session, candidate, "tok_en-1", auth), 0);
  EXPECT_EQ(m_crypto_session_verify_auth(&session, candidate, "tok_en-2", auth), 6);
  candidate[31] ^= 1;
  EXPECT_EQ(m_crypto_session_verify_auth(&session, candidate, "tok_en-1", auth), 6);
  m_crypto_session_free(&session);
}

TEST(LirraCrypto, SessionTextsAndTokensMustBeSafeInAUrl) {
  const unsigned char k[32] = {};
  const std::string longest(100, 'a');
  struct Case {
    const char* version;
    const char* hash;
    int result;
  } cases[] = {{"1.2.3", "abc_DEF-~", 0}, {"", "h", 3},     {"v", nullptr, 3},        {"v&x=1", "h", 3},
               {"v", "h h", 3},           {"v", "h%20", 3}, {longest.c_str(), "h", 0}};
  for (const Case& c : cases) {
    m_crypto_session s;
    EXPECT_EQ(m_crypto_session_init(&s, c.version, c.hash, k, k, k), c.result)
        << (c.version ? c.version : "null");
    m_crypto_session_free(&s);
  }
  m_crypto_session s;
  EXPECT_EQ(m_crypto_session_init(&s, std::string(101, 'a').c_str(), "h", k, k, k), 3);

  EXPECT_TRUE(m_crypto_is_valid_token("AZaz09-_"));
  EXPECT_TRUE(m_crypto_is_valid_token(std::string(48, 'x').c_str()));
  for (const std::string& bad : {std::string(49, 'x'), std::string(""), std::string("a+b"),
                                 std::string("a&b=c"), std::string("a/b"), std::string("a b")})
    EXPECT_FALSE(m_crypto_is_valid_token(bad.c_str())) << bad;
}

TEST(LirraCrypto, ByteOrderHelpers) {
  EXPECT_FALSE(m_is_big_endian_system());
  unsigned char b[4];
  m_encode_uint32(0x11223344u, b);
  EXPECT_EQ(b[0], 0x44);
  EXPECT_EQ(m_swap_endian32(b), 0x44332211u);
  EXPECT_EQ(b[0], 0x11);
}

struct Base64Case {
  std::string bytes;
  std::string standard;
  std::string url;
};

TEST(LirraBase64, Rfc4648VectorsBothAlphabets) {
  const Base64Case cases[] = {{"", "", ""},
                              {"f", "Zg==", "Zg"},
                              {"fo", "Zm8=", "Zm8"},
                              {"foo", "Zm9v", "Zm9v"},
                              {"foob", "Zm9vYg==", "Zm9vYg"},
                              {"fooba", "Zm9vYmE=", "Zm9vYmE"},
                              {"foobar", "Zm9vYmFy", "Zm9vYmFy"},
                              {"\xfb\xff\xbf", "+/+/", "-_-_"}};
  for (const Base64Case& c : cases) {
    const auto* data = reinterpret_cast<const unsigned char*>(c.bytes.data());
    size_t n = 99;
    char* s = base64_encode(data, c.bytes.size(), &n);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::string(s, n), c.standard);
    free(s);
    s = base64_url_encode(data, c.bytes.size(), &n);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::string(s, n), c.url);
    free(s);
    if (c.bytes.empty()) continue;
    unsigned char* d = base64_decode(c.standard.data(), c.standard.size(), &n);
    ASSERT_NE(d, nullptr) << c.standard;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(d), n), c.bytes);
    free(d);
    d = base64_url_decode(c.url.data(), c.url.size(), &n);
    ASSERT_NE(d, nullptr) << c.url;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(d), n), c.bytes);
    free(d);
  }
}

TEST(LirraBase64, TolerantDecodingAndItsLimits) {
  struct Case {
    std::string text;
    bool url;
    bool valid;
    std::string bytes;
  } cases[] = {
      {"QQ", true, true, "A"},                // padded to "QQ=="
      {"Q", true, false, ""},                 // three padding characters
      {"", true, false, ""},                  // empty
      {"Zm9v\nYmFy", false, true, "foobar"},  // characters outside the alphabet are skipped
      {"Zm9", false, false, ""},              // not a multiple of four
      {"Zg==Zm9v", false, true, "f"},         // the first padded group ends the data
      {"Z===", false, false, ""},             // more than two padding characters
      {"!!!!", false, false, ""},             // nothing counted
  };
  for (const Case& c : cases) {
    size_t n = 0;
    unsigned char* d = c.url ? base64_url_decode(c.text.data(), c.text.size(), &n)
                             : base64_decode(c.text.data(), c.text.size(), &n);
    EXPECT_EQ(d != nullptr, c.valid) << c.text;
    if (d != nullptr) {
      EXPECT_EQ(std::string(reinterpret_cast<char*>(d), n), c.bytes) << c.text;
    }
    free(d);
  }
  // Encoded lengths: 1, 2 and 3 bytes give 2, 3 and 4 characters; a 16-byte tag always 22.
  const unsigned char bytes[16] = {};
  for (size_t length : {1u, 2u, 3u, 16u}) {
    size_t n = 0;
    char* s = base64_url_encode(bytes, length, &n);
    EXPECT_EQ(n, length == 16 ? 22u : length + 1);
    free(s);
  }
}

}  // namespace
