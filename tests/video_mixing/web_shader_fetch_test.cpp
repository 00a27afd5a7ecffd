// Importing a shader from the shader-sharing service: a local HTTPS server (its certificate trusted
// explicitly) plays the service and a shell script plays the external translator.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/zr_dispatch_queue_simple.h"
#include "support/log_capture.h"
#include "support/test_support.h"
#include "support/tiny_https_server.h"
#include "video_mixing/zr_overlay_graphics_shader_layer.h"
#include "video_mixing/zr_shader_compat_header.h"
#include "video_mixing/zr_web_shader_fetch.h"

namespace {

using namespace orvel_test;

constexpr const char* kKey = "Zq9Kx2";
constexpr const char* kCode = "void mainImage(out vec4 c, in vec2 p) { c = vec4(1.0); } // ####\n";

std::string shaderReply(const std::string& name, const std::string& code) {
  return "{\"Shader\":{\"ver\":\"0.1\",\"info\":{\"id\":\"x\",\"name\":\"" + name +
         "\"},\"renderpass\":[{\"code\":\"" + code + "\"}]}}";
}

// JSON text of code (quotes, backslashes and line feeds escaped).
std::string jsonText(const std::string& code) {
  std::string out;
  for (char c : code) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out;
}

void writeScript(const std::string& path, const std::string& body) {
  ASSERT_TRUE(writeFile(path, "#!/bin/sh\n" + body));
  ASSERT_EQ(chmod(path.c_str(), 0755), 0);
}

class WebShaderFetch : public ::testing::Test {
 public:  // the failure cases arrange the fixture through lambdas
  void SetUp() override {
    service_ = ZRWebShaderService();
    status_ = "200 OK";
    body_ = shaderReply("Glow Tunnel", jsonText(kCode));
    server_ = std::make_unique<TinyHttpsServer>(dir_.file("server.pem"),
                                                [this](const std::string& path) { return respond(path); });
    ASSERT_TRUE(server_->ready());
    for (const char* folder : {"shaders", "bin"})
      ASSERT_TRUE(mkdir(dir_.file(folder).c_str(), 0755) == 0 || errno == EEXIST) << folder;
    // The stand-in translator: notes its arguments, prints its input (the header and the code) and a line
    // of its own.
    writeScript(dir_.file("bin/translate"),
                "echo \"$@\" > \"" + dir_.file("arguments") + "\"\ncat \"$4\"\necho '// translated ####'\n");
    service_.base = server_->base();
    service_.accessKey = kKey;
    service_.caFile = server_->certificatePath();
    service_.translator = dir_.file("bin/translate");
    service_.connectTimeoutSeconds = 3;
    service_.transferTimeoutSeconds = 10;
    service_.translatorTimeoutMs = 5000;
  }

  HttpResponse respond(const std::string&) {
    HttpResponse r;
    r.headers = "Content-Type: application/json\r\n";
    r.status = status_;
    r.body = body_;
    return r;
  }

  ZRWebShaderResult fetch(const std::string& address) {
    return fetchAndConvertWebShader(address, ZRString(dir_.file("shaders") + "/"), service_);
  }
  std::string shaderFile(const char* name) { return dir_.file("shaders") + "/" + name; }

  TempDir dir_;
  std::unique_ptr<TinyHttpsServer> server_;
  ZRWebShaderService service_;
  std::string status_ = "200 OK";
  std::string body_ = shaderReply("Glow Tunnel", jsonText(kCode));
};

TEST_F(WebShaderFetch, AShaderIsFetchedTranslatedAndStoredWithoutTheKeyInTheLog) {
  LogCapture log;
  const ZRWebShaderResult result = fetch("https://example.org/view/Ab3dEf/");
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_EQ(result.message, "success");
  EXPECT_EQ(result.entry.name.utf8(), "Glow Tunnel");
  EXPECT_EQ(result.entry.shaderID.utf8(), "Ab3dEf");
  EXPECT_EQ(result.entry.filename.utf8(), "st-Ab3dEf.frag");
  // The request: the id and the key in the service's path, over TLS.
  const std::vector<std::string> requests = server_->requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].rfind("GET /api/v1/shaders/Ab3dEf?key=Zq9Kx2 HTTP/1.1\r\n", 0), 0u) << requests[0];
  // The translator got the fixed options and a file of the header and the code; its "####" became "////".
  EXPECT_EQ(readFile(dir_.file("arguments")).substr(0, 14), "-s=w -b=g -o /");
  std::string expected = std::string(shaderCompatibilityHeader()) + kCode + "// translated ////\n";
  for (size_t at = expected.find("####"); at != std::string::npos; at = expected.find("####", at))
    expected.replace(at, 4, "////");
  EXPECT_EQ(readFile(shaderFile("st-Ab3dEf.frag")), expected);
  // No temporary is left behind.
  EXPECT_EQ(readFile(shaderFile("_temp.frag")), "");
  for (const std::string& line : log.lines()) EXPECT_EQ(line.find(kKey), std::string::npos) << line;
  EXPECT_EQ(log.count("st: fetching shader 'Ab3dEf'"), 1);
}

TEST_F(WebShaderFetch, FailuresReportWhyAndKeepTheShaderFetchedBefore) {
  struct Case {
    const char* what;
    std::function<void(WebShaderFetch&)> arrange;
    const char* address;
    const char* message;
    bool requested;  // whether the server saw a request
  };
  const char* address = "https://example.org/view/Ab3dEf";
  const Case cases[] = {
      {"translator missing", [](WebShaderFetch& t) { t.service_.translator = t.dir_.file("bin/none"); },
       address, "error: the shader translator is not installed", true},
      {"translator fails",
       [](WebShaderFetch& t) { writeScript(t.service_.translator, "echo partial\nexit 3\n"); }, address,
       "error: the shader could not be converted", true},
      {"translator prints nothing", [](WebShaderFetch& t) { writeScript(t.service_.translator, "exit 0\n"); },
       address, "error: the shader could not be converted", true},
      {"translator hangs",
       [](WebShaderFetch& t) {
         writeScript(t.service_.translator, "exec sleep 30\n");
         t.service_.translatorTimeoutMs = 300;
       },
       address, "error: the shader could not be converted", true},
      {"status 404", [](WebShaderFetch& t) { t.status_ = "404 Not Found"; }, address,
       "error: cannot get shader from server (HTTP 404)", true},
      {"oversize body", [](WebShaderFetch& t) { t.service_.maxReplyBytes = 100; }, address,
       "error: cannot get shader from server (1)", true},
      {"not JSON", [](WebShaderFetch& t) { t.body_ = "<html>"; }, address,
       "error: cannot get shader from server (2)", true},
      {"a JSON array", [](WebShaderFetch& t) { t.body_ = "[1,2]"; }, address,
       "error: cannot get shader from server (2)", true},
      {"service error", [](WebShaderFetch& t) { t.body_ = "{\"Error\":\"Shader not found\"}"; }, address,
       "error: 'Shader not found' - shader not available / not public", true},
      {"service error without text", [](WebShaderFetch& t) { t.body_ = "{\"Error\":\"\"}"; }, address,
       "error: cannot get shader from server (3) - shader not available / not public", true},
      {"no code", [](WebShaderFetch& t) { t.body_ = "{\"Shader\":{\"renderpass\":[]}}"; }, address,
       "error: cannot get shader from server (4)", true},
      {"a local file", nullptr, "file:///etc/hostname",
       "warning: currently not supporting local shader files", false},
      {"a local path", nullptr, "/home/dj/shader.frag",
       "warning: currently not supporting local shader files", false},
      {"plain http to the API", nullptr, "http://127.0.0.1:1/api/v1/shaders/x",
       "error: only https addresses are supported", false},
      {"an untrusted server", [](WebShaderFetch& t) { t.service_.caFile = "/nonexistent.pem"; }, address,
       "error: cannot get shader from server (1)", false},
      {"the API address yields no id", nullptr, nullptr, "error: cannot add shader to list", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    if (HasFatalFailure()) return;
    const std::string good = "// the shader fetched before\n";
    ASSERT_TRUE(writeFile(shaderFile("st-Ab3dEf.frag"), good));
    if (c.arrange) c.arrange(*this);
    const std::string target =
        c.address != nullptr ? c.address : server_->base() + "/api/v1/shaders/Ab3dEf?key=k";
    const auto started = std::chrono::steady_clock::now();
    const ZRWebShaderResult result = fetch(target);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, c.message);
    EXPECT_EQ(readFile(shaderFile("st-Ab3dEf.frag")), good);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    EXPECT_EQ(server_->requests().size(), c.requested ? 1u : 0u);
    server_.reset();
  }
}

TEST_F(WebShaderFetch, TheIdIsEscapedInTheRequestAndMadeSafeInTheFileName) {
  // Quotes, blanks and an attempt to add a query of its own stay inside the id.
  const ZRWebShaderResult result = fetch("https://example.org/view/a\"b c&key=x");
  ASSERT_TRUE(result.ok) << result.message;
  const std::vector<std::string> requests = server_->requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].rfind("GET /api/v1/shaders/a%22b%20c%26key%3Dx?key=Zq9Kx2 ", 0), 0u) << requests[0];
  EXPECT_EQ(result.entry.filename.utf8(), "st-a_b_c_key_x.frag");
  EXPECT_EQ(result.entry.shaderID.utf8(), "a\"b c&key=x");

  const struct {
    const char* address;
    const char* id;
  } ids[] = {{"https://e.org/view/XsXXDn", "XsXXDn"},
             {"https://e.org/view/XsXXDn/", "XsXXDn"},
             {"https://e.org/view/XsXXDn?x=1#top", "XsXXDn"},
             {"https://e.org/view/a b", "a b"},
             {"https://e.org/view/../", ".."},
             {"noslash", ""}};
  for (const auto& c : ids) EXPECT_EQ(shaderIdFromAddress(c.address, nullptr), c.id) << c.address;
  EXPECT_EQ(convertedShaderFileName("a b/../c"), "st-a_b____c.frag");
  EXPECT_EQ(convertedShaderFileName(".."), "st-__.frag");
}

TEST_F(WebShaderFetch, TheTranslatorIsFoundOnThePathWhenNotConfigured) {
  const char* oldPath = std::getenv("PATH");
  const std::string saved = oldPath != nullptr ? oldPath : "";
  service_.translator.clear();
  setenv("PATH", dir_.path().c_str(), 1);  // no translator there
  EXPECT_EQ(findShaderTranslator(service_), "");
  EXPECT_EQ(fetch("https://example.org/view/Ab3dEf").message,
            "error: the shader translator is not installed");
  setenv("PATH", (dir_.path() + ":" + dir_.file("bin")).c_str(), 1);
  EXPECT_EQ(findShaderTranslator(service_), dir_.file("bin/translate"));
  EXPECT_TRUE(fetch("https://example.org/view/Ab3dEf").ok);
  setenv("PATH", saved.c_str(), 1);
}

// The layer runs the import on the pool and reports on the caller's queue.
class ShaderImport : public WebShaderFetch {
 protected:
  void TearDown() override { setWebShaderService(ZRWebShaderService()); }

  std::vector<std::pair<bool, std::string>> waitForReports(size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (reports_.size() < count && std::chrono::steady_clock::now() < deadline) {
      queue_.execute();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return reports_;
  }
  ZROverlayGraphicsShaderLayer::ResultCallback callback() {
    return [this](int a, double b, bool ok, ZRString message) {
      EXPECT_EQ(a, 0);
      EXPECT_EQ(b, 0.0);
      reports_.emplace_back(ok, message.utf8());
      return true;
    };
  }

  ZRDispatchQueueSimple queue_{"main"};
  std::vector<std::pair<bool, std::string>> reports_;
};

TEST_F(ShaderImport, AnImportedShaderIsListedOnceAndChosen) {
  setWebShaderService(service_);
  auto layer =
      std::make_shared<ZROverlayGraphicsShaderLayer>(ZRString(dir_.file("shaders") + "/"), nullptr, nullptr);
  ASSERT_EQ(layer->addShaderToList({"Mine", "mine", "mine.frag"}), 0);
  layer->getAndConvertWebGLShader("https://example.org/view/Ab3dEf", true, callback(), &queue_);
  ASSERT_EQ(waitForReports(1).size(), 1u);
  EXPECT_EQ(reports_[0], std::make_pair(true, std::string("success")));
  EXPECT_EQ(layer->getTotalShaders(), 2);
  EXPECT_EQ(layer->getCurrentShader(), 1);
  EXPECT_EQ(layer->getShaderName(1).utf8(), "Glow Tunnel");
  // The same shader again (renamed by its author meanwhile) updates its entry.
  body_ = shaderReply("Glow Tunnel II", jsonText(kCode));
  layer->getAndConvertWebGLShader("https://example.org/view/ab3def", false, callback(), &queue_);
  ASSERT_EQ(waitForReports(2).size(), 2u);
  EXPECT_TRUE(reports_[1].first);
  EXPECT_EQ(layer->getTotalShaders(), 2);
  EXPECT_EQ(layer->getShaderName(1).utf8(), "Glow Tunnel II");
  // A failure is reported too, and changes nothing.
  status_ = "500 Internal Server Error";
  layer->getAndConvertWebGLShader("https://example.org/view/Other1", true, callback(), &queue_);
  ASSERT_EQ(waitForReports(3).size(), 3u);
  EXPECT_EQ(reports_[2],
            std::make_pair(false, std::string("error: cannot get shader from server (HTTP 500)")));
  EXPECT_EQ(layer->getTotalShaders(), 2);
  EXPECT_EQ(layer->getCurrentShader(), 1);
}

TEST_F(ShaderImport, ImportsRunningTogetherEachWriteTheirOwnFiles) {
  // The translator takes a while, so the imports overlap; each must translate its own code.
  writeScript(service_.translator, "sleep 0.2\ncat \"$4\"\n");
  setWebShaderService(service_);
  auto layer =
      std::make_shared<ZROverlayGraphicsShaderLayer>(ZRString(dir_.file("shaders") + "/"), nullptr, nullptr);
  server_ = std::make_unique<TinyHttpsServer>(dir_.file("server2.pem"), [](const std::string& path) {
    HttpResponse r;
    const std::string id = path.substr(16, path.find('?') - 16);
    r.body = shaderReply("Shader " + id, "void mainImage(out vec4 c, in vec2 p) { c = vec4(0.0); } // " + id);
    return r;
  });
  service_.base = server_->base();
  service_.caFile = server_->certificatePath();
  setWebShaderService(service_);
  const char* ids[] = {"One111", "Two222", "Three3"};
  for (const char* id : ids)
    layer->getAndConvertWebGLShader(std::string("https://example.org/view/") + id, false, callback(),
                                    &queue_);
  ASSERT_EQ(waitForReports(3).size(), 3u);
  for (const auto& r : reports_) EXPECT_TRUE(r.first) << r.second;
  EXPECT_EQ(layer->getTotalShaders(), 3);
  for (const char* id : ids) {
    const std::string text = readFile(shaderFile((std::string("st-") + id + ".frag").c_str()));
    EXPECT_NE(text.find(std::string("// ") + id), std::string::npos) << id;
    for (const char* other : ids) {
      if (other != id) {
        EXPECT_EQ(text.find(std::string("// ") + other), std::string::npos) << id;
      }
    }
  }
}

}  // namespace
