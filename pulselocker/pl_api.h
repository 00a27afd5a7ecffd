#pragma once
// Requests to the streaming service's API as the SDK interface builds and dispatches them: the HTTP
// request and response the SDK's transport carries, the typed API request of one record, the reply
// check, the current user whose session and token go with every request, the dispatcher (the SDK's
// transport, abstract here) and the fetch of one song (_GetFromAPI<Song, false>::execute).
//
// Fetching a song: GET "/songs/<id>" with the user's session id and auth token as headers (unless the
// request has them already, and the token only for an authenticated user); a request is handed to the
// transport at most three times; a reply's auth-token header renews the user's token; the reply must
// be OK and be a song, which is saved in the content cache and handed to the on-song step. An
// authorisation error 4116 (token expired), or 4113 (token refused) for an authenticated user, refreshes
// the authorisation and sends the request again; every other failure reaches the on-error step. A song
// id below 1 is refused before anything is sent: "/songs" alone would ask for the whole collection.
//
// Threads: execute runs its first steps on the caller's thread; the response and error handlers, and so
// the on-song and on-error steps, run on the transport's threads. The current user's fields are read
// and written under its own lock (the transport renews the token while the deck's thread reads it).

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "pulselocker/pl_error.h"
#include "pulselocker/pl_json_node.h"
#include "pulselocker/pl_records.h"

namespace pl {

namespace http {
struct Request {
  int method = 0;  // the API request's method, copied
  int flags = 0;   // copied as the SDK gives it
  std::string url;
  std::string body;
  std::map<std::string, std::string> headers;
  std::map<std::string, std::string> params;
  std::string extra;
  int attempts = 0;  // how often the dispatch handed it to the transport
};

struct Response {
  int status = 0;
  std::map<std::string, std::string> headers;
  std::string body;
  // The value of a header, its name matched without regard to case; false when there is none.
  bool header(const std::string& name, std::string& value) const;
};
}  // namespace http

namespace traits {
template <typename T>
struct APIRouteName;
template <>
struct APIRouteName<Song> {
  // "songs"
  static const std::string& Value();
};
}  // namespace traits

class CurrentUser {
 public:
  int64_t sessionId() const;
  std::string credential() const;
  std::string authToken() const;
  void setSessionId(int64_t id);
  void setCredential(const std::string& credential);
  void setAuthToken(const std::string& token);
  // True when the credential or the auth token is not empty.
  bool isAuthenticated() const;

 private:
  mutable std::mutex lock_;
  int64_t sessionId_ = 0;
  std::string credential_;
  std::string authToken_;
};

namespace api {

class Request {
 public:
  static constexpr int kMethodRead = 1;
  int method = 0;
  std::string path;
  JSONNode body = JSONNode::object();
  std::map<std::string, std::string> params;
  std::string extra;

  // The read of one record: "/" + route, then "/" + id unless id is 0; an empty object as body.
  template <typename T>
  static Request get(int64_t id) {
    Request request;
    request.method = kMethodRead;
    request.path = "/" + traits::APIRouteName<T>::Value();
    if (id != 0) request.path += "/" + std::to_string(id);
    return request;
  }
  http::Request toHttp() const;
};

// A reply as the API sees it: OK when the status is 2xx and the body is a JSON object or array.
class Response {
 public:
  explicit Response(const http::Response& response);
  bool isOk() const { return ok_; }
  // Throws unless OK: RemoteAuthorizationError for a 401 or 403 (the instance code from the body's
  // "error"."code"), ResponseError otherwise.
  void assertOkay() const;
  const JSONNode& json() const { return json_; }

 private:
  http::Response response_;
  JSONNode json_;
  bool ok_ = false;
};

namespace _details {
extern const char* const sessionIdHeaderName;
extern const char* const authTokenHeaderName;

template <typename T>
struct ResponseImpl;
template <>
struct ResponseImpl<Song> {
  // The song of the whole reply (empty key) or of its member key.
  static Song from(const JSONNode& json, const std::string& key);
};
}  // namespace _details

// The SDK's HTTP transport.
class Dispatch {
 public:
  using ResponseHandler = std::function<void(const http::Response&)>;
  using ErrorHandler = std::function<void(const Error&)>;
  virtual ~Dispatch() = default;

  // Counts the attempt in request and hands a copy to the transport; RequestError 3 "Request attempted
  // too many times." (nothing is sent) when it was handed over three times already.
  void sendCounted(http::Request& request, ResponseHandler onResponse, ErrorHandler onError);
  // Renews the authorisation, then sends the request again through sendCounted. The request is the
  // fetch's own (it lives as long as the handlers), so the count carries over from one send to the next.
  virtual void _refreshAndResend(http::Request& request, ResponseHandler onResponse,
                                 ErrorHandler onError) = 0;

 protected:
  // The transport proper: calls exactly one of the handlers, later, on a thread of its own.
  virtual void send(http::Request request, ResponseHandler onResponse, ErrorHandler onError) = 0;
};

}  // namespace api

namespace _details {
template <typename T, bool Partial>
struct _GetFromAPI;
template <>
struct _GetFromAPI<Song, false> {
  static void execute(int64_t id, std::function<void(Song)> onSong,
                      std::function<void(const Error&)> onError);
};
}  // namespace _details

}  // namespace pl
