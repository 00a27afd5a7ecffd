#include "controllers/zr_javascript_core.h"

#include <JavaScriptCore/JavaScript.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/zr_logging.h"
#include "common/zr_saturate.h"
#include "common/zr_utf8_cut.h"

// Exported by JavaScriptCore but left out of its public headers: the watchdog that ends a script running
// longer than limit seconds (the callback answering true ends it).
extern "C" {
typedef bool (*JSShouldTerminateCallback)(JSContextRef ctx, void* context);
JS_EXPORT void JSContextGroupSetExecutionTimeLimit(JSContextGroupRef group, double limit,
                                                   JSShouldTerminateCallback callback, void* context);
}

namespace {

// The most arguments a script call hands to a native function.
constexpr size_t kMaxArguments = 64;

JSContextRef ctxOf(void* context) {
  return static_cast<JSGlobalContextRef>(context);
}

std::string utf8Of(JSStringRef string, size_t maxBytes) {
  if (string == nullptr) return {};
  const size_t size = JSStringGetMaximumUTF8CStringSize(string);
  std::string buffer(size, '\0');
  const size_t written = JSStringGetUTF8CString(string, buffer.data(), size);
  buffer.resize(written > 0 ? written - 1 : 0);
  buffer.resize(utf8CutLength(buffer.data(), buffer.size(), maxBytes));
  return buffer;
}

std::string textOf(JSContextRef ctx, JSValueRef value, size_t maxBytes) {
  JSStringRef string = JSValueToStringCopy(ctx, value, nullptr);
  if (string == nullptr) return {};
  std::string text = utf8Of(string, maxBytes);
  JSStringRelease(string);
  return text;
}

JSValueRef property(JSContextRef ctx, JSObjectRef object, const char* name) {
  JSStringRef key = JSStringCreateWithUTF8CString(name);
  JSValueRef value = JSObjectGetProperty(ctx, object, key, nullptr);
  JSStringRelease(key);
  return value;
}

bool terminate(JSContextRef, void*) {
  ZRLOG("JS ERROR(jsc): script stopped after %.1f s", kScriptTimeLimitSeconds);
  return true;
}

void displayJSCException(JSContextRef ctx, JSValueRef exception, bool compiling) {
  const std::string text = textOf(ctx, exception, 1023);
  std::string line = "?";
  std::string column = "?";
  if (JSValueIsObject(ctx, exception)) {
    JSObjectRef object = JSValueToObject(ctx, exception, nullptr);
    if (object != nullptr) {
      line = textOf(ctx, property(ctx, object, "line"), 15);
      column = textOf(ctx, property(ctx, object, "column"), 15);
    }
  }
  ZRLOG(compiling ? "JS ERROR(jsc): compiling [line %s : column %s]:\n %s"
                  : "JS ERROR(jsc): running [line %s : column %s]:\n %s",
        line.c_str(), column.c_str(), text.c_str());
}

float boundedFloat(double value) {
  if (std::isnan(value)) return 0.0f;
  if (value > FLT_MAX) return FLT_MAX;
  if (value < -FLT_MAX) return -FLT_MAX;
  return static_cast<float>(value);
}

// A script value as a parameter. Arrays deeper than kMaxParamDepth or longer than kMaxParamElements are
// cut there (a self-containing array ends at the depth limit).
TJSParam convertFromJSCParam(JSContextRef ctx, JSValueRef value, int depth) {
  TJSParam p;
  switch (JSValueGetType(ctx, value)) {
    case kJSTypeBoolean: {
      const bool b = JSValueToBoolean(ctx, value);
      p.type = TJSParam::Float;
      p.intValue = b ? 1 : 0;
      p.floatValue = b ? 1.0f : 0.0f;
      p.boolValue = b;
      return p;
    }
    case kJSTypeNumber: {
      JSValueRef exception = nullptr;
      double number = JSValueToNumber(ctx, value, &exception);
      if (exception != nullptr || std::isnan(number)) number = 0.0;
      p.type = TJSParam::Float;
      p.floatValue = boundedFloat(number);
      p.intValue = saturatedInt(std::nearbyint(number));
      p.boolValue = number != 0.0;
      return p;
    }
    case kJSTypeString:
      p.type = TJSParam::String;
      p.text = textOf(ctx, value, kMaxParamTextBytes);
      return p;
    case kJSTypeObject:
      if (JSValueIsArray(ctx, value) && depth < kMaxParamDepth) {
        JSObjectRef array = JSValueToObject(ctx, value, nullptr);
        p.type = TJSParam::Array;
        if (array == nullptr) return p;
        const double length = JSValueToNumber(ctx, property(ctx, array, "length"), nullptr);
        const int count = std::isnan(length) || length <= 0 ? 0
                          : length > kMaxParamElements      ? kMaxParamElements
                                                            : static_cast<int>(length);
        p.elements.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
          JSValueRef element = JSObjectGetPropertyAtIndex(ctx, array, static_cast<unsigned>(i), nullptr);
          p.elements.push_back(convertFromJSCParam(ctx, element, depth + 1));
        }
        return p;
      }
      return p;
    default:
      return p;
  }
}

JSValueRef convertToJSCParam(JSContextRef ctx, const TJSParam& p, int depth) {
  switch (p.type) {
    case TJSParam::Int:
      return JSValueMakeNumber(ctx, p.intValue);
    case TJSParam::Float:
      return JSValueMakeNumber(ctx, p.floatValue);
    case TJSParam::Bool:
      return JSValueMakeBoolean(ctx, p.boolValue);
    case TJSParam::String: {
      const std::string text(p.text, 0, utf8CutLength(p.text.data(), p.text.size(), kMaxParamTextBytes));
      JSStringRef string = JSStringCreateWithUTF8CString(text.c_str());
      JSValueRef value = JSValueMakeString(ctx, string);
      JSStringRelease(string);
      return value;
    }
    case TJSParam::Array:
      if (!p.elements.empty() && depth < kMaxParamDepth) {
        const size_t count = std::min(p.elements.size(), static_cast<size_t>(kMaxParamElements));
        std::vector<JSValueRef> values;
        values.reserve(count);
        for (size_t i = 0; i < count; ++i) values.push_back(convertToJSCParam(ctx, p.elements[i], depth + 1));
        JSObjectRef array = JSObjectMakeArray(ctx, count, values.data(), nullptr);
        if (array != nullptr) return array;
      }
      return JSValueMakeNumber(ctx, 0);
    default:
      return JSValueMakeNumber(ctx, 0);
  }
}

JSValueRef dispatch(JSContextRef ctx, JSObjectRef function, JSObjectRef, size_t argc, const JSValueRef argv[],
                    JSValueRef*) {
  auto* callable = static_cast<ZRJavaScript_Core::TZRCallableFunc*>(JSObjectGetPrivate(function));
  if (callable == nullptr || callable->function == nullptr) return JSValueMakeUndefined(ctx);
  const size_t count = std::min(argc, kMaxArguments);
  std::vector<TJSParam> arguments;
  arguments.reserve(count);
  for (size_t i = 0; i < count; ++i) arguments.push_back(convertFromJSCParam(ctx, argv[i], 0));
  TJSParam result;
  if (!callable->function(static_cast<int>(count), arguments.data(), &result, callable->user)) {
    return JSValueMakeUndefined(ctx);
  }
  return convertToJSCParam(ctx, result, 0);
}

JSClassRef nativeFunctionClass() {
  static JSClassRef cls = [] {
    JSClassDefinition definition = kJSClassDefinitionEmpty;
    definition.className = "NativeFunction";
    definition.callAsFunction = &dispatch;
    return JSClassCreate(&definition);
  }();
  return cls;
}

}  // namespace

TJSParam TJSParam::ofInt(int v) {
  TJSParam p;
  p.type = Int;
  p.intValue = v;
  p.floatValue = static_cast<float>(v);
  p.boolValue = v != 0;
  return p;
}

TJSParam TJSParam::ofFloat(float v) {
  TJSParam p;
  p.type = Float;
  p.floatValue = v;
  p.intValue = saturatedInt(std::nearbyint(v));
  p.boolValue = v != 0.0f;
  return p;
}

TJSParam TJSParam::ofBool(bool v) {
  TJSParam p;
  p.type = Bool;
  p.boolValue = v;
  p.intValue = v ? 1 : 0;
  p.floatValue = v ? 1.0f : 0.0f;
  return p;
}

TJSParam TJSParam::ofString(std::string v) {
  TJSParam p;
  p.type = String;
  p.text = std::move(v);
  return p;
}

std::unique_ptr<ZRJavaScript> ZRJavaScript::create(const std::string& text) {
  return std::make_unique<ZRJavaScript_Core>(text);
}

void ZRJavaScript::printFuncParams(const char* name, int count, const TJSParam* arguments) {
  ZRLOG("%s (%d params)", name != nullptr ? name : "", count);
  for (int i = 0; arguments != nullptr && i < count; ++i) printParam(arguments[i], 2, i);
}

void ZRJavaScript::printParam(const TJSParam& param, int indent, int index) {
  const std::string pad(static_cast<size_t>(std::max(0, std::min(indent, 64))), ' ');
  char label[32];
  if (index >= 0) {
    std::snprintf(label, sizeof label, "param[%d]", index);
  } else {
    std::snprintf(label, sizeof label, "param");
  }
  switch (param.type) {
    case TJSParam::Int:
      ZRLOG("%s%s=%d (int)", pad.c_str(), label, param.intValue);
      break;
    case TJSParam::Float:
      ZRLOG("%s%s=%f (float)", pad.c_str(), label, static_cast<double>(param.floatValue));
      break;
    case TJSParam::Bool:
      ZRLOG("%s%s=%d (bool)", pad.c_str(), label, param.boolValue ? 1 : 0);
      break;
    case TJSParam::String:
      ZRLOG("%s%s='%s' (str)", pad.c_str(), label, param.text.c_str());
      break;
    default:
      ZRLOG("%s%s=%d items (array)", pad.c_str(), label, static_cast<int>(param.elements.size()));
      for (size_t i = 0; i < param.elements.size() && indent < 64; ++i) {
        printParam(param.elements[i], indent + 2, static_cast<int>(i));
      }
      break;
  }
}

ZRJavaScript_Core::ZRJavaScript_Core(const std::string& text) {
  if (text.empty()) return;
  JSContextGroupRef group = JSContextGroupCreate();
  JSContextGroupSetExecutionTimeLimit(group, kScriptTimeLimitSeconds, &terminate, nullptr);
  JSGlobalContextRef context = JSGlobalContextCreateInGroup(group, nullptr);
  JSStringRef script = JSStringCreateWithUTF8CString(text.c_str());
  JSValueRef exception = nullptr;
  JSValueRef result = JSEvaluateScript(context, script, nullptr, nullptr, 0, &exception);
  JSStringRelease(script);
  if (exception != nullptr) displayJSCException(context, exception, true);
  if (exception != nullptr || result == nullptr) {
    JSGlobalContextRelease(context);
    JSContextGroupRelease(group);
    return;
  }
  group_ = const_cast<OpaqueJSContextGroup*>(group);
  context_ = context;
  ok_ = true;
}

ZRJavaScript_Core::~ZRJavaScript_Core() {
  if (context_ != nullptr) JSGlobalContextRelease(static_cast<JSGlobalContextRef>(context_));
  if (group_ != nullptr) JSContextGroupRelease(static_cast<JSContextGroupRef>(group_));
}

bool ZRJavaScript_Core::defineFunction(const char* name, int, ZRNativeFunction function, void* user) {
  if (!ok_ || name == nullptr || name[0] == 0) return false;
  auto found = functions_.find(name);
  if (found != functions_.end()) {
    // The script's global already leads to this record.
    found->second->function = function;
    found->second->user = user;
    return true;
  }
  auto callable = std::make_unique<TZRCallableFunc>();
  callable->function = function;
  callable->user = user;
  callable->name = name;
  JSContextRef ctx = ctxOf(context_);
  JSObjectRef object = JSObjectMake(ctx, nativeFunctionClass(), callable.get());
  const JSPropertyAttributes fixed = kJSPropertyAttributeReadOnly | kJSPropertyAttributeDontDelete;
  JSValueRef exception = nullptr;
  JSStringRef key = JSStringCreateWithUTF8CString("funcName");
  JSStringRef value = JSStringCreateWithUTF8CString(name);
  JSObjectSetProperty(ctx, object, key, JSValueMakeString(ctx, value), fixed, &exception);
  JSStringRelease(key);
  JSStringRelease(value);
  if (exception != nullptr) {
    std::printf("JSC error: cannot set function property string value (funcName)\n");
    return false;
  }
  JSStringRef global = JSStringCreateWithUTF8CString(name);
  JSObjectSetProperty(ctx, JSContextGetGlobalObject(ctx), global, object, fixed, &exception);
  JSStringRelease(global);
  if (exception != nullptr) {
    std::printf("JSC error: cannot set global property (function)\n");
    return false;
  }
  functions_[name] = std::move(callable);
  return true;
}

bool ZRJavaScript_Core::testFunctionExists(const char* name) {
  if (!ok_ || name == nullptr) return false;
  JSContextRef ctx = ctxOf(context_);
  JSValueRef value = property(ctx, JSContextGetGlobalObject(ctx), name);
  if (value == nullptr || !JSValueIsObject(ctx, value)) return false;
  JSObjectRef object = JSValueToObject(ctx, value, nullptr);
  return object != nullptr && JSObjectIsFunction(ctx, object);
}

const void* ZRJavaScript_Core::call(const char* name, int count, const TJSParam* arguments,
                                    bool mustBeFunction) {
  if (!ok_ || name == nullptr) return nullptr;
  JSContextRef ctx = ctxOf(context_);
  JSObjectRef global = JSContextGetGlobalObject(ctx);
  JSValueRef value = property(ctx, global, name);
  if (value == nullptr || !JSValueIsObject(ctx, value)) return nullptr;
  JSObjectRef function = JSValueToObject(ctx, value, nullptr);
  if (function == nullptr || (mustBeFunction && !JSObjectIsFunction(ctx, function))) return nullptr;
  std::vector<JSValueRef> values;
  for (int i = 0; arguments != nullptr && i < count && i < static_cast<int>(kMaxArguments); ++i) {
    values.push_back(convertToJSCParam(ctx, arguments[i], 0));
  }
  JSValueRef exception = nullptr;
  JSValueRef result = JSObjectCallAsFunction(ctx, function, global, values.size(), values.data(), &exception);
  if (exception != nullptr) {
    displayJSCException(ctx, exception, false);
    return nullptr;
  }
  return result;
}

bool ZRJavaScript_Core::callFunction(const char* name, int count, const TJSParam* arguments,
                                     bool mustBeFunction) {
  return call(name, count, arguments, mustBeFunction) != nullptr;
}

bool ZRJavaScript_Core::callFunctionGetResultAsInt(const char* name, int count, const TJSParam* arguments,
                                                   int& result, int fallback, bool mustBeFunction) {
  result = fallback;
  auto value = static_cast<JSValueRef>(call(name, count, arguments, mustBeFunction));
  JSContextRef ctx = ctxOf(context_);
  if (value == nullptr || !JSValueIsNumber(ctx, value)) return false;
  result = saturatedInt(JSValueToNumber(ctx, value, nullptr));
  return true;
}

bool ZRJavaScript_Core::callFunctionGetResultAsString(const char* name, int count, const TJSParam* arguments,
                                                      char* result, int resultSize, const char* fallback,
                                                      bool mustBeFunction) {
  auto copy = [&](const std::string& text) {
    if (result == nullptr || resultSize <= 0) return;
    const size_t n = utf8CutLength(text.data(), text.size(), static_cast<size_t>(resultSize - 1));
    std::memcpy(result, text.data(), n);
    result[n] = 0;
  };
  auto value = static_cast<JSValueRef>(call(name, count, arguments, mustBeFunction));
  JSContextRef ctx = ctxOf(context_);
  if (value == nullptr || !JSValueIsString(ctx, value)) {
    copy(fallback != nullptr ? fallback : "");
    return false;
  }
  copy(textOf(ctx, value, static_cast<size_t>(std::max(resultSize, 1)) - 1));
  return true;
}
