// The script engine: evaluation and its errors, native functions with typed parameters and results, the
// bounds on what comes back from a script (array depth and length, numbers into int, text size), the time
// limit that stops an endless loop, and dispatch that a script cannot redirect.

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "controllers/zr_javascript.h"
#include "support/log_capture.h"

namespace {

struct Seen {
  std::vector<TJSParam> arguments;
  int calls = 0;
};

bool record(int count, TJSParam* arguments, TJSParam* result, void* user) {
  auto* seen = static_cast<Seen*>(user);
  seen->arguments.assign(arguments, arguments + count);
  ++seen->calls;
  *result = TJSParam::ofInt(seen->calls);
  return true;
}

bool giveArray(int, TJSParam*, TJSParam* result, void*) {
  result->type = TJSParam::Array;
  result->elements = {TJSParam::ofInt(7), TJSParam::ofString("x"), TJSParam::ofBool(true)};
  return true;
}

bool giveEmptyArray(int, TJSParam*, TJSParam* result, void*) {
  result->type = TJSParam::Array;
  return true;
}

bool fail(int, TJSParam*, TJSParam*, void*) {
  return false;
}

TEST(JavaScript, EvaluationErrorsLeaveTheEngineNotOkWithTheLineLogged) {
  orvel_test::LogCapture log;
  EXPECT_FALSE(ZRJavaScript::create("")->isOk());
  EXPECT_FALSE(ZRJavaScript::create("var a = ;")->isOk());
  EXPECT_FALSE(ZRJavaScript::create("\n\nthrow new Error('top');")->isOk());
  EXPECT_GE(log.count("JS ERROR(jsc): compiling [line 3"), 1);
  auto ok = ZRJavaScript::create("var x = 1;");
  EXPECT_TRUE(ok->isOk());
}

TEST(JavaScript, CallsWithTypedArgumentsAndResults) {
  auto js = ZRJavaScript::create(
      "function add(a, b) { return a + b; }\n"
      "function name(s) { return 'hi ' + s; }\n"
      "function boom() { throw new Error('bad'); }\n"
      "function half() { return 2.9; }\n"
      "function neg() { return -2.9; }\n"
      "function huge() { return 1e20; }\n"
      "function nan() { return NaN; }\n"
      "function text() { return 'x'; }\n"
      "function long() { return 'ab\\u00e9' + 'c'.repeat(5000); }\n"
      "var notAFunction = {};\n");
  ASSERT_TRUE(js->isOk());
  const TJSParam ab[] = {TJSParam::ofInt(2), TJSParam::ofFloat(0.5f)};
  int n = 0;
  EXPECT_TRUE(js->callFunctionGetResultAsInt("add", 2, ab, n, -7, true));
  EXPECT_EQ(n, 2);  // 2.5 cut toward zero
  struct IntCase {
    const char* fn;
    bool ok;
    int value;
  };
  for (const IntCase& c : {IntCase{"half", true, 2}, IntCase{"neg", true, -2}, IntCase{"huge", true, INT_MAX},
                           IntCase{"nan", true, 0}, IntCase{"text", false, 42}, IntCase{"boom", false, 42},
                           IntCase{"missing", false, 42}, IntCase{"notAFunction", false, 42}}) {
    int result = 0;
    EXPECT_EQ(js->callFunctionGetResultAsInt(c.fn, 0, nullptr, result, 42, true), c.ok) << c.fn;
    EXPECT_EQ(result, c.value) << c.fn;
  }
  EXPECT_TRUE(js->testFunctionExists("add"));
  EXPECT_FALSE(js->testFunctionExists("notAFunction"));
  EXPECT_FALSE(js->testFunctionExists("missing"));
  char text[8];
  const TJSParam you = TJSParam::ofString("you");
  EXPECT_TRUE(js->callFunctionGetResultAsString("name", 1, &you, text, sizeof text, "none", true));
  EXPECT_STREQ(text, "hi you");
  EXPECT_FALSE(js->callFunctionGetResultAsString("half", 0, nullptr, text, sizeof text, "none", true));
  EXPECT_STREQ(text, "none");
  // Cut to the buffer, never inside a character: "ab" + the two bytes of e-acute do not fit in 4 bytes.
  char small[4];
  EXPECT_TRUE(js->callFunctionGetResultAsString("long", 0, nullptr, small, sizeof small, "", true));
  EXPECT_STREQ(small, "ab");
  orvel_test::LogCapture log;
  EXPECT_FALSE(js->callFunction("boom", 0, nullptr, true));
  EXPECT_EQ(log.count("JS ERROR(jsc): running [line"), 1);
  EXPECT_TRUE(js->callFunction("add", 2, ab, true));
}

TEST(JavaScript, NativeFunctionsGetTypedParametersAndGiveResults) {
  auto js = ZRJavaScript::create(
      "function run() {\n"
      "  var r = note(1.6, true, 'txt', [1, [2, 'b']], null, undefined, {a: 1}, NaN, -1e30);\n"
      "  var arr = arr3();\n"
      "  var empty = none();\n"
      "  var failed = fails();\n"
      "  return r == 1 && arr.length == 3 && arr[0] == 7 && arr[1] == 'x' && arr[2] === true &&\n"
      "         empty === 0 && failed === undefined ? 'yes' : 'no';\n"
      "}\n");
  ASSERT_TRUE(js->isOk());
  Seen seen;
  ASSERT_TRUE(js->defineFunction("note", 1, &record, &seen));
  ASSERT_TRUE(js->defineFunction("arr3", 0, &giveArray, nullptr));
  ASSERT_TRUE(js->defineFunction("none", 0, &giveEmptyArray, nullptr));
  ASSERT_TRUE(js->defineFunction("fails", 0, &fail, nullptr));
  char answer[8];
  ASSERT_TRUE(js->callFunctionGetResultAsString("run", 0, nullptr, answer, sizeof answer, "", true));
  EXPECT_STREQ(answer, "yes");
  ASSERT_EQ(seen.arguments.size(), 9u);
  const auto& a = seen.arguments;
  EXPECT_EQ(a[0].type, TJSParam::Float);
  EXPECT_FLOAT_EQ(a[0].floatValue, 1.6f);
  EXPECT_EQ(a[0].intValue, 2);
  EXPECT_EQ(a[1].type, TJSParam::Float);
  EXPECT_EQ(a[1].intValue, 1);
  EXPECT_TRUE(a[1].boolValue);
  EXPECT_EQ(a[2].type, TJSParam::String);
  EXPECT_EQ(a[2].text, "txt");
  ASSERT_EQ(a[3].type, TJSParam::Array);
  ASSERT_EQ(a[3].elements.size(), 2u);
  EXPECT_EQ(a[3].elements[1].elements[1].text, "b");
  for (int i : {4, 5, 6}) {
    EXPECT_EQ(a[i].type, TJSParam::Int) << i;
    EXPECT_EQ(a[i].intValue, 0) << i;
  }
  EXPECT_EQ(a[7].intValue, 0);        // NaN
  EXPECT_EQ(a[8].intValue, INT_MIN);  // clamped, not undefined
}

TEST(JavaScript, ArraysComingBackAreBoundedInDepthAndLength) {
  auto js = ZRJavaScript::create(
      "function run() { var a = []; a[0] = a; note(a); var big = []; big.length = 1e7; note(big); }");
  ASSERT_TRUE(js->isOk());
  Seen seen;
  js->defineFunction("note", 1, &record, &seen);
  ASSERT_TRUE(js->callFunction("run", 0, nullptr, true));
  EXPECT_EQ(seen.calls, 2);
  ASSERT_EQ(seen.arguments.size(), 1u);
  EXPECT_EQ(seen.arguments[0].elements.size(), static_cast<size_t>(kMaxParamElements));
}

TEST(JavaScript, SelfContainingArrayStopsAtTheDepthLimit) {
  auto js = ZRJavaScript::create("function run() { var a = []; a[0] = a; note(a); }");
  Seen seen;
  js->defineFunction("note", 1, &record, &seen);
  ASSERT_TRUE(js->callFunction("run", 0, nullptr, true));
  ASSERT_EQ(seen.arguments.size(), 1u);
  int depth = 0;
  for (const TJSParam* p = &seen.arguments[0]; p->type == TJSParam::Array && !p->elements.empty();
       p = &p->elements[0]) {
    ++depth;
  }
  EXPECT_EQ(depth, kMaxParamDepth);
}

TEST(JavaScript, TheTimeLimitStopsAnEndlessLoop) {
  orvel_test::LogCapture log;
  const auto start = std::chrono::steady_clock::now();
  auto top = ZRJavaScript::create("while (true) {}");
  EXPECT_FALSE(top->isOk());
  auto js = ZRJavaScript::create("function spin() { for (;;) {} }\nfunction ok() { return 3; }");
  ASSERT_TRUE(js->isOk());
  int n = -1;
  EXPECT_FALSE(js->callFunctionGetResultAsInt("spin", 0, nullptr, n, -1, true));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 30.0);  // two limits of kScriptTimeLimitSeconds, with room for a loaded machine
  // The engine stays usable after a stopped call.
  EXPECT_TRUE(js->callFunctionGetResultAsInt("ok", 0, nullptr, n, -1, true));
  EXPECT_EQ(n, 3);
}

TEST(JavaScript, DispatchGoesToTheOwnEngineWhateverTheScriptStores) {
  const char* text =
      "var thisPointerParent = '0x1';\n"
      "function run() { thisPointerParent = '0xdeadbeef'; globalThis.funcName = 'x'; return note(1); }\n"
      "function forge() { try { note = function() { return 99; }; delete note; } catch (e) {} return "
      "note(2); }\n";
  auto first = ZRJavaScript::create(text);
  auto second = ZRJavaScript::create(text);
  ASSERT_TRUE(first->isOk());
  ASSERT_TRUE(second->isOk());
  Seen one, two;
  first->defineFunction("note", 1, &record, &one);
  second->defineFunction("note", 1, &record, &two);
  int n = 0;
  EXPECT_TRUE(first->callFunctionGetResultAsInt("run", 0, nullptr, n, -1, true));
  EXPECT_TRUE(second->callFunctionGetResultAsInt("run", 0, nullptr, n, -1, true));
  EXPECT_TRUE(second->callFunctionGetResultAsInt("run", 0, nullptr, n, -1, true));
  EXPECT_EQ(one.calls, 1);
  EXPECT_EQ(two.calls, 2);
  // The native global can be neither replaced nor deleted.
  EXPECT_TRUE(first->callFunctionGetResultAsInt("forge", 0, nullptr, n, -1, true));
  EXPECT_EQ(n, 2);
  EXPECT_EQ(one.calls, 2);
  // A second definition replaces the first.
  Seen other;
  first->defineFunction("note", 1, &record, &other);
  first->callFunction("run", 0, nullptr, true);
  EXPECT_EQ(other.calls, 1);
  EXPECT_EQ(one.calls, 2);
}

}  // namespace
