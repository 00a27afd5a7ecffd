#include "pulselocker/pl_api.h"

#include <cctype>
#include <exception>
#include <memory>
#include <utility>

#include "pulselocker/pl_singleton.h"
#include "pulselocker/pl_storage.h"

namespace pl {

namespace http {
bool Response::header(const std::string& name, std::string& value) const {
  for (const auto& [key, v] : headers) {
    if (key.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < key.size() && same; ++i) {
      same = std::tolower(static_cast<unsigned char>(key[i])) ==
             std::tolower(static_cast<unsigned char>(name[i]));
    }
    if (same) {
      value = v;
      return true;
    }
  }
  return false;
}
}  // namespace http

const std::string& traits::APIRouteName<Song>::Value() {
  static const std::string route = "songs";
  return route;
}

int64_t CurrentUser::sessionId() const {
  std::lock_guard<std::mutex> guard(lock_);
  return sessionId_;
}
std::string CurrentUser::credential() const {
  std::lock_guard<std::mutex> guard(lock_);
  return credential_;
}
std::string CurrentUser::authToken() const {
  std::lock_guard<std::mutex> guard(lock_);
  return authToken_;
}
void CurrentUser::setSessionId(int64_t id) {
  std::lock_guard<std::mutex> guard(lock_);
  sessionId_ = id;
}
void CurrentUser::setCredential(const std::string& credential) {
  std::lock_guard<std::mutex> guard(lock_);
  credential_ = credential;
}
void CurrentUser::setAuthToken(const std::string& token) {
  std::lock_guard<std::mutex> guard(lock_);
  authToken_ = token;
}
bool CurrentUser::isAuthenticated() const {
  std::lock_guard<std::mutex> guard(lock_);
  return !credential_.empty() || !authToken_.empty();
}

namespace api {

http::Request Request::toHttp() const {
  http::Request request;
  request.method = method;
  request.url = path;
  request.body = body.write();
  request.params = params;
  request.extra = extra;
  return request;
}

Response::Response(const http::Response& response) : response_(response) {
  if (response.status < 200 || response.status > 299) return;
  try {
    json_ = JSONNode::parse(response.body);
    ok_ = json_.kind() == JSONNode::Kind::Object || json_.kind() == JSONNode::Kind::Array;
  } catch (const json::ShapeError&) {
    ok_ = false;
  }
}

void Response::assertOkay() const {
  if (ok_) return;
  if (response_.status == 401 || response_.status == 403) {
    int64_t code = 0;
    std::string message = "Not authorised.";
    try {
      const JSONNode error = JSONNode::parse(response_.body)["error"];
      code = error["code"].asInt();
      message = error["message"].asText();
    } catch (const Error&) {
      // A refusal without the service's details is still a refusal.
    }
    if (code < 0 || code > 0xFFFFFF) code = 0;
    throw RemoteAuthorizationError(1, message, static_cast<int>(code));
  }
  if (response_.status >= 200 && response_.status <= 299) throw ResponseError(3, "Reply is not JSON.");
  throw ResponseError(4, "HTTP status " + std::to_string(response_.status) + ".");
}

namespace _details {
const char* const sessionIdHeaderName = "X-PL-Session-Id";
const char* const authTokenHeaderName = "X-PL-Auth-Token";

Song ResponseImpl<Song>::from(const JSONNode& json, const std::string& key) {
  return Song::fromJSON(key.empty() ? json : json[key]);
}
}  // namespace _details

void Dispatch::sendCounted(http::Request& request, ResponseHandler onResponse, ErrorHandler onError) {
  if (request.attempts++ >= 3) throw RequestError(3, "Request attempted too many times.");
  send(request, std::move(onResponse), std::move(onError));
}

}  // namespace api

namespace _details {

namespace {

// The response and error handlers of one song fetch. The response handler needs the request again for
// a resend, and itself: both live in one shared state that the handlers hold.
struct SongFetch : std::enable_shared_from_this<SongFetch> {
  http::Request request;
  std::function<void(Song)> onSong;
  std::function<void(const Error&)> onError;

  api::Dispatch::ResponseHandler responseHandler() {
    return [self = shared_from_this()](const http::Response& r) { self->handle(r); };
  }
  api::Dispatch::ErrorHandler errorHandler() {
    return [self = shared_from_this()](const Error& e) { self->onError(e); };
  }

  void resend() {
    try {
      Singleton<api::Dispatch>::getInstance()->_refreshAndResend(request, responseHandler(), errorHandler());
    } catch (const Error& e) {
      onError(e);
    }
  }

  void handle(const http::Response& reply) {
    try {
      std::string token;
      if (reply.header(api::_details::authTokenHeaderName, token)) {
        if (auto user = Singleton<CurrentUser>::find()) user->setAuthToken(token);
      }
      api::Response response(reply);
      response.assertOkay();
      Song song = api::_details::ResponseImpl<Song>::from(response.json(), std::string());
      Singleton<content::Cache>::getInstance()->storage().save<Song>(song);
      onSong(std::move(song));
    } catch (const api::RemoteAuthorizationError& e) {
      const auto user = Singleton<CurrentUser>::find();
      if (e.getInstanceCode() == 0x1014 ||
          (e.getInstanceCode() == 0x1011 && user && user->isAuthenticated())) {
        resend();
      } else {
        onError(e);
      }
    } catch (const Error& e) {
      onError(e);
    } catch (const std::exception& e) {
      onError(api::ResponseError(1, std::string("Unknown error: ") + e.what()));
    } catch (...) {
      onError(api::ResponseError(2, "Unknown error while processing API response."));
    }
  }
};

}  // namespace

void _GetFromAPI<Song, false>::execute(int64_t id, std::function<void(Song)> onSong,
                                       std::function<void(const Error&)> onError) {
  if (id < 1) {
    onError(api::RequestError(4, "Song id not valid."));
    return;
  }
  auto fetch = std::make_shared<SongFetch>();
  fetch->request = api::Request::get<Song>(id).toHttp();
  fetch->onSong = std::move(onSong);
  fetch->onError = std::move(onError);
  try {
    if (const auto user = Singleton<CurrentUser>::find()) {
      auto& headers = fetch->request.headers;
      if (!headers.count(api::_details::sessionIdHeaderName)) {
        headers[api::_details::sessionIdHeaderName] = std::to_string(user->sessionId());
      }
      const std::string token = user->authToken();
      if (!headers.count(api::_details::authTokenHeaderName) && user->isAuthenticated()) {
        headers[api::_details::authTokenHeaderName] = token;
      }
    }
    Singleton<api::Dispatch>::getInstance()->sendCounted(fetch->request, fetch->responseHandler(),
                                                         fetch->errorHandler());
  } catch (const Error& e) {
    fetch->onError(e);
  }
}

}  // namespace _details

}  // namespace pl
