#pragma once
// ZRJavaScript on JavaScriptCore (the C API of the 4.0 series, the one the toolkit's web view links): one
// context group and one global context per engine, the script evaluated once, one dispatcher behind all
// native functions.
//
// The dispatcher finds its engine through the private data of the function object it was called on, which
// a script can neither read nor change; nothing of the host's memory is visible to the script.
//
// Threads: as ZRJavaScript.

#include <map>
#include <memory>
#include <string>

#include "controllers/zr_javascript.h"

class ZRJavaScript_Core : public ZRJavaScript {
 public:
  explicit ZRJavaScript_Core(const std::string& text);
  ~ZRJavaScript_Core() override;

  bool isOk() const override { return ok_; }
  bool defineFunction(const char* name, int declaredParameters, ZRNativeFunction function,
                      void* user) override;
  bool testFunctionExists(const char* name) override;
  bool callFunction(const char* name, int count, const TJSParam* arguments, bool mustBeFunction) override;
  bool callFunctionGetResultAsInt(const char* name, int count, const TJSParam* arguments, int& result,
                                  int fallback, bool mustBeFunction) override;
  bool callFunctionGetResultAsString(const char* name, int count, const TJSParam* arguments, char* result,
                                     int resultSize, const char* fallback, bool mustBeFunction) override;

  struct TZRCallableFunc {
    ZRNativeFunction function = nullptr;
    void* user = nullptr;
    std::string name;
  };

 private:
  // The call's result value (a JSValueRef), null when it failed.
  const void* call(const char* name, int count, const TJSParam* arguments, bool mustBeFunction);

  std::map<std::string, std::unique_ptr<TZRCallableFunc>> functions_;
  bool ok_ = false;
  void* group_ = nullptr;    // JSContextGroupRef
  void* context_ = nullptr;  // JSGlobalContextRef
};
