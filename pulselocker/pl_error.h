#pragma once
// The errors of the streaming service's SDK interface. Every failure is a pl::Error with the code given
// at construction, a text, a class code (which kind of error; the streaming client treats
// kClassCancelled, a media load stopped through its cancel token, as "no error") and an instance code
// (which error of its kind; for authorisation errors the service's own code).
//
// Threads: plain values; thrown and caught on any thread.

#include <stdexcept>
#include <string>

namespace pl {

class Error : public std::runtime_error {
 public:
  // Class codes of the kinds below.
  static constexpr int kClassGeneral = 0x1000000;
  static constexpr int kClassSingleton = 0x1010000;
  static constexpr int kClassJson = 0x1020000;
  static constexpr int kClassStorage = 0x1030000;
  static constexpr int kClassCancelled = 0x1040000;
  static constexpr int kClassRequest = 0x1050000;
  static constexpr int kClassResponse = 0x1060000;
  static constexpr int kClassRemoteAuthorization = 0x1070000;
  static constexpr int kClassMedia = 0x1080000;

  Error(int code, const std::string& text, int classCode = kClassGeneral, int instanceCode = -1)
      : std::runtime_error(text),
        code_(code),
        classCode_(classCode),
        instanceCode_(instanceCode < 0 ? code : instanceCode) {}

  std::string toString() const { return what(); }
  int getCode() const { return code_; }
  int getClassCode() const { return classCode_; }
  int getInstanceCode() const { return instanceCode_; }

 private:
  int code_;
  int classCode_;
  int instanceCode_;
};

// An SDK object asked for before the SDK made it (code 3, "No singleton instance created yet.").
class SingletonError : public Error {
 public:
  SingletonError() : Error(3, "No singleton instance created yet.", kClassSingleton) {}
};

// A media load that ended because its cancel token was set.
class CancelledError : public Error {
 public:
  explicit CancelledError(const std::string& text = "Cancelled.") : Error(1, text, kClassCancelled) {}
};

// A media download that failed.
class MediaError : public Error {
 public:
  MediaError(int code, const std::string& text) : Error(code, text, kClassMedia) {}
};

namespace json {
// A member asked for by a name the object lacks.
class AccessError : public Error {
 public:
  AccessError(int code, const std::string& text) : Error(code, text, kClassJson) {}
};
// JSON that does not have the shape of the record asked for.
class ShapeError : public Error {
 public:
  ShapeError(int code, const std::string& text) : Error(code, text, kClassJson + 1) {}
};
}  // namespace json

namespace storage {
// No record of that type and id in the store.
class NotFoundError : public Error {
 public:
  NotFoundError(int code, const std::string& text) : Error(code, text, kClassStorage) {}
};
}  // namespace storage

namespace api {
class RequestError : public Error {
 public:
  RequestError(int code, const std::string& text) : Error(code, text, kClassRequest) {}
};
class ResponseError : public Error {
 public:
  ResponseError(int code, const std::string& text) : Error(code, text, kClassResponse) {}
};
// The service refused the request's authorisation; the instance code is the service's code (4116: the
// token has expired, 4113: the token is not valid for this user).
class RemoteAuthorizationError : public Error {
 public:
  RemoteAuthorizationError(int code, const std::string& text, int instanceCode)
      : Error(code, text, kClassRemoteAuthorization, instanceCode) {}
};
}  // namespace api

}  // namespace pl
