#pragma once
// The crypto session of the catalogue's request framing: the keys and texts of one service connection,
// the per-message cipher (XSalsa20-Poly1305, the NaCl secretbox in detached form: the 16-byte tag
// travels apart and the ciphertext is as long as the plaintext), the nonce built from the message's
// identity, and the session-key agreement (X25519, SHA-256 expansion, Ed25519 proof from the service).
//
// Result codes: 0 success, 2 out of memory, 3 malformed input, 6 authentication failed.
//
// A session has two phases. Without a token every message uses the pre-session key and the nonce holds
// no token. Once a "session_open" reply is accepted the session key and token are installed together,
// and only after the service's signature over both has been verified: a reply that fails the check
// leaves the session exactly as it was.
//
// Threads: a session is used by one thread at a time (the client's work queue); no shared state.

#include <cstddef>
#include <cstdint>

inline constexpr size_t kMKeyBytes = 32;
inline constexpr size_t kMTagBytes = 16;
inline constexpr size_t kMNonceBytes = 24;
inline constexpr size_t kMAuthBytes = 64;
// The longest session token the query has room for; a token is base64url text only.
inline constexpr size_t kMMaxTokenLength = 48;

struct m_crypto_session {
  char* client_version = nullptr;  // sent with every request; a reply must carry the same text
  char* client_hash = nullptr;     // likewise; also the salt of the session-key derivation
  char* session_token = nullptr;   // null until a "session_open" reply is accepted
  unsigned char pre_session_key[kMKeyBytes] = {};
  unsigned char client_secret[kMKeyBytes] = {};
  unsigned char session_key[kMKeyBytes] = {};
  unsigned char server_signing_key[kMKeyBytes] = {};
};

// Sets a session up in its first phase. The two texts go into the URL as they are, so they must be 1 to
// 100 characters of letters, digits, "-", ".", "_" and "~"; otherwise the result is 3 and the session is
// left empty. 2 when memory runs out.
int m_crypto_session_init(m_crypto_session* session, const char* clientVersion, const char* clientHash,
                          const unsigned char preSessionKey[kMKeyBytes],
                          const unsigned char clientSecret[kMKeyBytes],
                          const unsigned char serverSigningKey[kMKeyBytes]);
// Frees the texts and wipes every key.
void m_crypto_session_free(m_crypto_session* session);

// One message under the session's current key (the session key once it has a token, else the
// pre-session key). Decryption gives 0 or 6 (nothing is written to plaintext on 6).
int m_crypto_session_encrypt_data(const m_crypto_session* session, int32_t requestId, const char* timestamp,
                                  const unsigned char* plaintext, unsigned char* ciphertext,
                                  unsigned char tag[kMTagBytes], size_t length);
int m_crypto_session_decrypt_data(const m_crypto_session* session, int32_t requestId, const char* timestamp,
                                  const unsigned char tag[kMTagBytes], const unsigned char* ciphertext,
                                  unsigned char* plaintext, size_t length);
// The nonce: the first 24 bytes of SHA-256 over the request id (4 bytes, little-endian), the timestamp,
// the client version, the client hash and the token when there is one (texts without terminator).
void m_crypto_session_make_iv(const m_crypto_session* session, int32_t requestId, const char* timestamp,
                              unsigned char nonce[kMNonceBytes]);

// The cipher itself. Decryption compares the whole tag in constant time and refuses (6) on a difference;
// a null tag is refused too (a message is never opened unchecked).
int m_crypto_encrypt(const unsigned char nonce[kMNonceBytes], const unsigned char key[kMKeyBytes],
                     unsigned char tag[kMTagBytes], const unsigned char* plaintext, unsigned char* ciphertext,
                     size_t length);
int m_crypto_decrypt(const unsigned char nonce[kMNonceBytes], const unsigned char key[kMKeyBytes],
                     const unsigned char* tag, const unsigned char* ciphertext, unsigned char* plaintext,
                     size_t length);

// Accepting a "session_open" reply, in this order: derive the candidate session key (3 when the
// service's public key is a low-order point), verify the service's signature over key and token (0, 6,
// or 2), then install both. m_crypto_session_set_token refuses (3) a token that is not 1 to 48 base64url
// characters and gives 2 when memory runs out; on any failure the session is unchanged.
int m_crypto_session_derive_key(const m_crypto_session* session,
                                const unsigned char serverPublicKey[kMKeyBytes],
                                unsigned char keyOut[kMKeyBytes]);
int m_crypto_session_verify_auth(const m_crypto_session* session, const unsigned char key[kMKeyBytes],
                                 const char* token, const unsigned char auth[kMAuthBytes]);
int m_crypto_session_set_token(m_crypto_session* session, const unsigned char key[kMKeyBytes],
                               const char* token);
// True when token is 1 to 48 characters of the base64url alphabet.
bool m_crypto_is_valid_token(const char* token);

// The key derivation: scalar = SHA-256(salt || secret) (32 zero bytes when there is no salt), shared =
// X25519(scalar, peer), then counter-mode expansion: block i = SHA-256(block i-1 || info || counter),
// block 0 the shared value, the counter byte starting at 0; the output is blocks 1, 2, ... cut to
// outLength. -1 when the peer key is a low-order point (the shared value would be all zeros).
int curve25519_derive_shared_key(unsigned char* out, size_t outLength, const unsigned char* secret,
                                 size_t secretLength, const unsigned char peerPublicKey[kMKeyBytes],
                                 const unsigned char* info, size_t infoLength, const unsigned char* salt,
                                 size_t saltLength);
void curve25519_compress(unsigned char out[kMKeyBytes], const unsigned char* data, size_t dataLength,
                         const unsigned char* salt, size_t saltLength);

// Byte order helpers: value into a 4-byte buffer in the machine's order (returns the buffer), the four
// bytes at pointer reversed in place (returns the swapped value), and whether the machine is big-endian.
unsigned char* m_encode_uint32(uint32_t value, unsigned char buffer[4]);
uint32_t m_swap_endian32(void* pointer);
bool m_is_big_endian_system();
