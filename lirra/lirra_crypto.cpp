#include "lirra/lirra_crypto.h"

#include <sodium.h>

#include <cstdlib>
#include <cstring>

namespace {

bool sodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

bool isUrlSafeText(const char* text, size_t maxLength) {
  if (text == nullptr) return false;
  const size_t n = strlen(text);
  if (n == 0 || n > maxLength) return false;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                    c == '.' || c == '_' || c == '~';
    if (!ok) return false;
  }
  return true;
}

char* copyText(const char* text) {
  const size_t n = strlen(text);
  char* copy = static_cast<char*>(malloc(n + 1));
  if (copy != nullptr) memcpy(copy, text, n + 1);
  return copy;
}

const unsigned char* currentKey(const m_crypto_session* session) {
  return session->session_token != nullptr ? session->session_key : session->pre_session_key;
}

}  // namespace

int m_crypto_session_init(m_crypto_session* session, const char* clientVersion, const char* clientHash,
                          const unsigned char preSessionKey[kMKeyBytes],
                          const unsigned char clientSecret[kMKeyBytes],
                          const unsigned char serverSigningKey[kMKeyBytes]) {
  if (session == nullptr) return 3;
  *session = m_crypto_session{};
  if (!sodiumReady()) return 2;
  if (!isUrlSafeText(clientVersion, 100) || !isUrlSafeText(clientHash, 100) || preSessionKey == nullptr ||
      clientSecret == nullptr || serverSigningKey == nullptr)
    return 3;
  session->client_version = copyText(clientVersion);
  session->client_hash = copyText(clientHash);
  if (session->client_version == nullptr || session->client_hash == nullptr) {
    m_crypto_session_free(session);
    return 2;
  }
  memcpy(session->pre_session_key, preSessionKey, kMKeyBytes);
  memcpy(session->client_secret, clientSecret, kMKeyBytes);
  memcpy(session->server_signing_key, serverSigningKey, kMKeyBytes);
  return 0;
}

void m_crypto_session_free(m_crypto_session* session) {
  if (session == nullptr) return;
  free(session->client_version);
  free(session->client_hash);
  free(session->session_token);
  sodium_memzero(session, sizeof(*session));
  *session = m_crypto_session{};
}

void m_crypto_session_make_iv(const m_crypto_session* session, int32_t requestId, const char* timestamp,
                              unsigned char nonce[kMNonceBytes]) {
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  unsigned char id[4];
  m_encode_uint32(static_cast<uint32_t>(requestId), id);
  if (m_is_big_endian_system()) m_swap_endian32(id);
  crypto_hash_sha256_update(&state, id, sizeof(id));
  auto addText = [&state](const char* text) {
    if (text != nullptr)
      crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(text), strlen(text));
  };
  addText(timestamp);
  addText(session->client_version);
  addText(session->client_hash);
  addText(session->session_token);
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(&state, digest);
  memcpy(nonce, digest, kMNonceBytes);
}

int m_crypto_encrypt(const unsigned char nonce[kMNonceBytes], const unsigned char key[kMKeyBytes],
                     unsigned char tag[kMTagBytes], const unsigned char* plaintext, unsigned char* ciphertext,
                     size_t length) {
  if (!sodiumReady()) return 2;
  static const unsigned char empty = 0;
  if (length == 0) plaintext = ciphertext = const_cast<unsigned char*>(&empty);
  return crypto_secretbox_detached(ciphertext, tag, plaintext, length, nonce, key) == 0 ? 0 : 6;
}

int m_crypto_decrypt(const unsigned char nonce[kMNonceBytes], const unsigned char key[kMKeyBytes],
                     const unsigned char* tag, const unsigned char* ciphertext, unsigned char* plaintext,
                     size_t length) {
  if (tag == nullptr || !sodiumReady()) return 6;
  unsigned char scratch = 0;
  if (length == 0) ciphertext = plaintext = &scratch;
  // The library compares the whole tag in constant time before it decrypts anything.
  return crypto_secretbox_open_detached(plaintext, ciphertext, tag, length, nonce, key) == 0 ? 0 : 6;
}

int m_crypto_session_encrypt_data(const m_crypto_session* session, int32_t requestId, const char* timestamp,
                                  const unsigned char* plaintext, unsigned char* ciphertext,
                                  unsigned char tag[kMTagBytes], size_t length) {
  unsigned char nonce[kMNonceBytes];
  m_crypto_session_make_iv(session, requestId, timestamp, nonce);
  return m_crypto_encrypt(nonce, currentKey(session), tag, plaintext, ciphertext, length);
}

int m_crypto_session_decrypt_data(const m_crypto_session* session, int32_t requestId, const char* timestamp,
                                  const unsigned char tag[kMTagBytes], const unsigned char* ciphertext,
                                  unsigned char* plaintext, size_t length) {
  unsigned char nonce[kMNonceBytes];
  m_crypto_session_make_iv(session, requestId, timestamp, nonce);
  return m_crypto_decrypt(nonce, currentKey(session), tag, ciphertext, plaintext, length);
}

void curve25519_compress(unsigned char out[kMKeyBytes], const unsigned char* data, size_t dataLength,
                         const unsigned char* salt, size_t saltLength) {
  static const unsigned char zeroSalt[32] = {};
  if (salt == nullptr) {
    salt = zeroSalt;
    saltLength = sizeof(zeroSalt);
  }
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  crypto_hash_sha256_update(&state, salt, saltLength);
  if (data != nullptr) crypto_hash_sha256_update(&state, data, dataLength);
  crypto_hash_sha256_final(&state, out);
}

int curve25519_derive_shared_key(unsigned char* out, size_t outLength, const unsigned char* secret,
                                 size_t secretLength, const unsigned char peerPublicKey[kMKeyBytes],
                                 const unsigned char* info, size_t infoLength, const unsigned char* salt,
                                 size_t saltLength) {
  if (!sodiumReady() || out == nullptr || peerPublicKey == nullptr) return -1;
  unsigned char scalar[kMKeyBytes];
  unsigned char block[crypto_hash_sha256_BYTES];
  curve25519_compress(scalar, secret, secretLength, salt, saltLength);
  // The library clamps the scalar and refuses a peer key whose product is all zeros.
  const int agreed = crypto_scalarmult(block, scalar, peerPublicKey);
  sodium_memzero(scalar, sizeof(scalar));
  if (agreed != 0) {
    sodium_memzero(block, sizeof(block));
    return -1;
  }
  unsigned char counter = 0;
  for (size_t done = 0; done < outLength; ++counter) {
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    crypto_hash_sha256_update(&state, block, sizeof(block));
    if (info != nullptr && infoLength > 0) crypto_hash_sha256_update(&state, info, infoLength);
    crypto_hash_sha256_update(&state, &counter, 1);
    crypto_hash_sha256_final(&state, block);
    const size_t take = outLength - done < sizeof(block) ? outLength - done : sizeof(block);
    memcpy(out + done, block, take);
    done += take;
  }
  sodium_memzero(block, sizeof(block));
  return 0;
}

int m_crypto_session_derive_key(const m_crypto_session* session,
                                const unsigned char serverPublicKey[kMKeyBytes],
                                unsigned char keyOut[kMKeyBytes]) {
  const char* hash = session->client_hash != nullptr ? session->client_hash : "";
  const int r =
      curve25519_derive_shared_key(keyOut, kMKeyBytes, session->client_secret, kMKeyBytes, serverPublicKey,
                                   nullptr, 0, reinterpret_cast<const unsigned char*>(hash), strlen(hash));
  return r == 0 ? 0 : 3;
}

int m_crypto_session_verify_auth(const m_crypto_session* session, const unsigned char key[kMKeyBytes],
                                 const char* token, const unsigned char auth[kMAuthBytes]) {
  if (!sodiumReady()) return 2;
  const size_t tokenLength = token != nullptr ? strlen(token) : 0;
  unsigned char* message = static_cast<unsigned char*>(malloc(kMKeyBytes + tokenLength));
  if (message == nullptr) return 2;
  memcpy(message, key, kMKeyBytes);
  if (tokenLength > 0) memcpy(message + kMKeyBytes, token, tokenLength);
  const int valid =
      crypto_sign_verify_detached(auth, message, kMKeyBytes + tokenLength, session->server_signing_key);
  sodium_memzero(message, kMKeyBytes + tokenLength);
  free(message);
  return valid == 0 ? 0 : 6;
}

bool m_crypto_is_valid_token(const char* token) {
  if (token == nullptr) return false;
  const size_t n = strlen(token);
  if (n == 0 || n > kMMaxTokenLength) return false;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(token[i]);
    const bool ok =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

int m_crypto_session_set_token(m_crypto_session* session, const unsigned char key[kMKeyBytes],
                               const char* token) {
  if (!m_crypto_is_valid_token(token)) return 3;
  char* copy = copyText(token);
  if (copy == nullptr) return 2;
  free(session->session_token);
  session->session_token = copy;
  memcpy(session->session_key, key, kMKeyBytes);
  return 0;
}

unsigned char* m_encode_uint32(uint32_t value, unsigned char buffer[4]) {
  memcpy(buffer, &value, 4);
  return buffer;
}

uint32_t m_swap_endian32(void* pointer) {
  unsigned char* b = static_cast<unsigned char*>(pointer);
  unsigned char t = b[0];
  b[0] = b[3];
  b[3] = t;
  t = b[1];
  b[1] = b[2];
  b[2] = t;
  uint32_t value;
  memcpy(&value, b, 4);
  return value;
}

bool m_is_big_endian_system() {
  const uint32_t one = 1;
  unsigned char first;
  memcpy(&first, &one, 1);
  return first == 0;
}
