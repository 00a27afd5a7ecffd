#pragma once
// The scripts' engine as the rest of the program sees it: ZRJavaScript makes an engine from a script
// text, defines native functions the script may call, tests for and calls the script's global functions
// with typed arguments, and reads a number or a text result. ZRJavaScript_Core (zr_javascript_core.h) is
// the one implementation, on JavaScriptCore.
//
// What a script can do to the host is bounded: every call into a script (and its top-level code) is
// stopped after kScriptTimeLimitSeconds, so an endless loop cannot freeze the tick that calls it; values
// coming back are bounded too (array depth kMaxParamDepth, kMaxParamElements elements per array, texts
// kMaxParamTextBytes, numbers clamped into int).
//
// Threads: an engine is used by one thread at a time; engines are independent of each other.

#include <memory>
#include <string>
#include <vector>

inline constexpr double kScriptTimeLimitSeconds = 0.5;
inline constexpr int kMaxParamDepth = 8;
inline constexpr int kMaxParamElements = 1024;
inline constexpr int kMaxParamTextBytes = 1023;

// One argument or result. A number arrives as float (floatValue) with intValue rounded from it.
struct TJSParam {
  enum Type { Int = 0, Float = 1, Bool = 2, String = 3, Array = 4 };
  int type = Int;
  int intValue = 0;
  float floatValue = 0.0f;
  bool boolValue = false;
  std::string text;
  std::vector<TJSParam> elements;

  static TJSParam ofInt(int v);
  static TJSParam ofFloat(float v);
  static TJSParam ofBool(bool v);
  static TJSParam ofString(std::string v);
};

// A native function: true hands result back to the script, false gives it undefined.
using ZRNativeFunction = bool (*)(int count, TJSParam* arguments, TJSParam* result, void* user);

class ZRJavaScript {
 public:
  virtual ~ZRJavaScript() = default;

  // The script was evaluated without an exception.
  virtual bool isOk() const = 0;
  // Defines name as a global function of the script that calls function with user (a second definition
  // replaces the first). False when the engine is not ok.
  virtual bool defineFunction(const char* name, int declaredParameters, ZRNativeFunction function,
                              void* user) = 0;
  virtual bool testFunctionExists(const char* name) = 0;
  // Calls the global name with the arguments (mustBeFunction: it has to be a function, else any object);
  // true when it ran without an exception and gave a value back.
  virtual bool callFunction(const char* name, int count, const TJSParam* arguments, bool mustBeFunction) = 0;
  // result = fallback first; true (and the number, cut toward zero and clamped into int) when the call
  // gave a number back.
  virtual bool callFunctionGetResultAsInt(const char* name, int count, const TJSParam* arguments, int& result,
                                          int fallback, bool mustBeFunction) = 0;
  // A string result copied as UTF-8 into result (resultSize bytes, terminated, cut on a character
  // boundary); otherwise fallback copied the same way and false.
  virtual bool callFunctionGetResultAsString(const char* name, int count, const TJSParam* arguments,
                                             char* result, int resultSize, const char* fallback,
                                             bool mustBeFunction) = 0;

  // A new engine on script text (never null; check isOk). Runs the script's top-level code once.
  static std::unique_ptr<ZRJavaScript> create(const std::string& text);
  // Logs "%s (%d params)" and each argument.
  static void printFuncParams(const char* name, int count, const TJSParam* arguments);
  static void printParam(const TJSParam& param, int indent, int index);
};
