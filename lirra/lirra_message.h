#pragma once
// The catalogue's request framing. A request is one HTTP GET of
//   endpoint?method=..&request_id=..&timestamp=..&client_version=..&client_hash=..&signature=..&
//   [session_token=..&]data=..
// where data is the request's JSON text encrypted under the session (base64url, no padding) and signature
// its 16-byte tag. A reply is a JSON object naming the method, request id, client and timestamp, with an
// encrypted "data" member (or an "error" member, which the service sends unencrypted).
//
// Results: 0 success; 1 the query would not fit its 256-byte buffer; 2 out of memory; 3 a malformed reply
// or one meant for another client; 6 authentication failed; 7 another session's reply; 8 the service's
// error reply (not authenticated: its text is handed out but must not be trusted as a success); 9 a
// reply that does not answer the request waiting for it (another request id, method or timestamp, or no
// request waiting: a replay); 10 the request counter is used up; 101 a required member is missing or of
// the wrong type. On any failure the out arguments are untouched and the call frees what it allocated.
//
// Each encoding uses a fresh request id: the counter starts at a random value when the context is set up
// and never wraps, so no counter value is used twice under one key within a process, and the timestamp
// in the nonce keeps a restarted process apart from an earlier one.
//
// Threads: a context and its session are used by one thread at a time. The last-error text belongs to
// the calling thread; read it right after the failing call.

#include <cstddef>
#include <cstdint>

#include "lirra/lirra_crypto.h"

enum MMessageMethod : int {
  M_MSG_SESSION_OPEN = 0,
  M_MSG_SESSION_CLOSE = 1,
  M_MSG_ACCOUNT_CREATE = 2,
  M_MSG_ACCOUNT_LOGIN = 3,
  M_MSG_ACCOUNT_GET = 4,
  M_MSG_ACCOUNT_UPDATE = 5,
  M_MSG_ACCOUNT_LOGOUT = 6,
  M_MSG_CATALOG_URL_GET = 7,
  M_MSG_DOWNLOAD_URL_GET = 8,
  M_MSG_TRACK_LOG_SET = 9,
  M_MSG_PRODUCTS_GET = 10,
  M_MSG_SUBSCRIPTION_CREATE = 11,
  M_MSG_SUBSCRIPTION_CANCEL = 12,
  M_MSG_SUBSCRIPTION_ACTIVATE = 13,
  M_MSG_SUBSCRIPTION_UPDATE = 14,
  M_MSG_DEBUG = 15,
  M_MSG_METHOD_COUNT = 16,
};

enum MMessageResult : int {
  M_RESULT_OK = 0,
  M_RESULT_QUERY_TOO_LONG = 1,
  M_RESULT_NO_MEMORY = 2,
  M_RESULT_MALFORMED = 3,
  M_RESULT_AUTH_FAILED = 6,
  M_RESULT_SESSION_MISMATCH = 7,
  M_RESULT_SERVICE_ERROR = 8,
  M_RESULT_NOT_OUR_REQUEST = 9,
  M_RESULT_COUNTER_USED_UP = 10,
  M_RESULT_MEMBER = 101,
};

extern const char* const m_msg_method_strs[M_MSG_METHOD_COUNT];

inline constexpr size_t kMEndpointCapacity = 128;
inline constexpr size_t kMTimestampCapacity = 32;

struct m_message_context {
  m_crypto_session* session = nullptr;
  char endpoint[kMEndpointCapacity] = {};
  int32_t request_counter = 0;  // the last request id used
  // The request whose reply is awaited; a reply must answer it, and answers it only once.
  bool awaiting_reply = false;
  int32_t awaited_request_id = 0;
  int awaited_method = -1;
  char awaited_timestamp[kMTimestampCapacity] = {};
};

// Sets a context up over session (not owned). The endpoint is an "https://" address, or an "http://"
// address of the loopback host (127.0.0.1, [::1] or localhost: tests run a local service), of at most 127
// characters with no query, fragment, blank or control character; otherwise false. The request counter
// starts at a random value in 0..2^30.
bool m_message_context_init(m_message_context* context, m_crypto_session* session, const char* endpoint);

// Builds the request URL (malloc'd, freed by the caller) for method index method (an index outside 0..15
// sends an empty name) and the JSON text json (null or empty sends "{}").
int m_message_encode(m_message_context* context, int method, const char* json, char** outUrl,
                     int* outRequestId);
// Checks and opens reply (a NUL-terminated text). On 0 outText (malloc'd) is the decrypted JSON text; on
// 8 it is the object {"error": ...} of the service's error reply printed as JSON. outMethod and
// outRequestId are the reply's. An accepted "session_open" reply installs the session key and token.
int m_message_decode(m_message_context* context, const char* reply, char** outText, int* outMethod,
                     int* outRequestId);
// The text of the last failure on this thread ("" after a success of encoding).
const char* m_message_get_error();
