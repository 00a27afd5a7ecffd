// The shader layer's list: shaders.xml read and written, the current shader kept by id, and the list
// edits with their notifications.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/zr_dispatch_queue_simple.h"
#include "support/log_capture.h"
#include "support/test_support.h"
#include "video_mixing/zr_overlay_graphics_shader_layer.h"
#include "video_mixing/zr_shader_list_file.h"

namespace {

using namespace orvel_test;
using Layer = ZROverlayGraphicsShaderLayer;

const std::string kBom = "\xEF\xBB\xBF";
const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n";

std::string listFile(int current, const std::vector<std::vector<std::string>>& entries) {
  std::string xml =
      kBom + kDeclaration + "<shaders version=\"1\" currentShader=\"" + std::to_string(current) + "\">\n";
  for (const auto& e : entries)
    xml += "<shader shaderID=\"" + e[0] + "\" name=\"" + e[1] + "\" filename=\"" + e[2] + "\" />\n";
  return xml + "</shaders>\n";
}

class ShaderList : public ::testing::Test {
 protected:
  std::shared_ptr<Layer> make() {
    return std::make_shared<Layer>(
        ZRString(dir_.path() + "/"),
        [this](int what) {
          events_.push_back(what);
          return true;
        },
        &queue_);
  }
  std::vector<int> drain() {
    queue_.execute();
    std::vector<int> got;
    got.swap(events_);
    return got;
  }
  std::string path(const char* name) const { return dir_.file(name); }

  TempDir dir_;
  ZRDispatchQueueSimple queue_{"main"};
  std::vector<int> events_;
};

std::vector<std::string> names(const Layer& layer) {
  std::vector<std::string> out;
  for (const Layer::Shader& s : layer.getShaders()) out.push_back(s.name.utf8());
  return out;
}

TEST_F(ShaderList, ACurrentIndexBeyondTheListNamesNoShaderAndSavesWithoutCrashing) {
  // Three shaders and a current index of 7: nothing is chosen, and saving writes -1 (it used to read the
  // shader behind the list's end to keep the current one).
  ASSERT_TRUE(writeFile(
      path("shaders.xml"),
      listFile(7, {{"b2", "beta", "b.frag"}, {"a1", "Alpha", "a.frag"}, {"g3", "gamma", "g.frag"}})));
  {
    std::shared_ptr<Layer> layer = make();
    EXPECT_EQ(layer->getTotalShaders(), 3);
    EXPECT_EQ(layer->getCurrentShader(), -1);
    EXPECT_EQ(drain(), std::vector<int>{1});
  }
  const std::string saved = readFile(path("shaders.xml"));
  EXPECT_EQ(saved,
            listFile(-1, {{"a1", "Alpha", "a.frag"}, {"b2", "beta", "b.frag"}, {"g3", "gamma", "g.frag"}}));
}

TEST_F(ShaderList, SavingSortsByNameAndKeepsTheCurrentShaderByItsId) {
  ASSERT_TRUE(writeFile(path("shaders.xml"), listFile(2, {{"b2", "beta", "b.frag"},
                                                          {"a1", "Alpha", "a.frag"},
                                                          {"g3", "gamma &amp; &lt;co&gt;", "g.frag"}})));
  std::shared_ptr<Layer> layer = make();
  EXPECT_EQ(layer->getCurrentShader(), 2);
  ASSERT_TRUE(layer->saveShaders(ZRString(path("copy.xml"))));
  EXPECT_EQ(names(*layer), (std::vector<std::string>{"Alpha", "beta", "gamma & <co>"}));
  EXPECT_EQ(layer->getCurrentShader(), 2);
  const std::string copy = readFile(path("copy.xml"));
  EXPECT_NE(copy.find("<shaders version=\"1\" currentShader=\"2\">\n"), std::string::npos);
  EXPECT_NE(copy.find("<shader shaderID=\"g3\" name=\"gamma &amp; &lt;co&gt;\" filename=\"g.frag\" />\n"),
            std::string::npos);
  // Read back: the same list and choice.
  std::vector<ZRShaderListEntry> entries;
  int current = 0;
  ASSERT_TRUE(parseShaderList(copy.data(), copy.size(), entries, current));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[2].name.utf8(), "gamma & <co>");
  EXPECT_EQ(current, 2);
}

TEST_F(ShaderList, AFileThatCannotBeReadKeepsTheListAndSaysWhy) {
  struct Case {
    const char* what;
    const char* content;  // null: no file
    const char* line;
  };
  const Case cases[] = {
      {"missing", nullptr, "st: error: load shaders: xml file not found"},
      {"not XML", "<shaders", "st: error: load shaders: xml file not loaded"},
      {"another root", "<shaderz currentShader=\"0\"><shader shaderID=\"x\"/></shaderz>",
       "st: error: load shaders: xml file not loaded"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(writeFile(path("list.xml"), listFile(0, {{"k", "Kept", "k.frag"}})));
    std::shared_ptr<Layer> layer = make();
    ASSERT_TRUE(layer->loadShaders(ZRString(path("list.xml"))));
    LogCapture log;
    std::remove(path("bad.xml").c_str());
    if (c.content != nullptr) {
      ASSERT_TRUE(writeFile(path("bad.xml"), c.content));
    }
    EXPECT_FALSE(layer->loadShaders(ZRString(path("bad.xml"))));
    EXPECT_EQ(names(*layer), std::vector<std::string>{"Kept"});
    EXPECT_EQ(log.count(c.line), 1);
    // An unreadable file is moved aside whole, so that the next save cannot write over it.
    if (c.content != nullptr) {
      EXPECT_EQ(readFile(path("bad.xml")), "");
      EXPECT_EQ(log.count("st: the unreadable shader list is kept as"), 1);
    }
  }
}

TEST_F(ShaderList, AFailedSaveLeavesTheOldFileWhole) {
  const std::string old = listFile(0, {{"k", "Kept", "k.frag"}});
  ASSERT_TRUE(writeFile(path("shaders.xml"), old));
  std::shared_ptr<Layer> layer = make();
  for (int i = 0; i < 200; ++i)
    layer->addShaderToList({ZRString("Shader " + std::to_string(i)), ZRString("id" + std::to_string(i)),
                            ZRString("s" + std::to_string(i) + ".frag")});
  {
    // Room for less than the new list: written in place, the old file would be cut short.
    FileSizeLimit limit(old.size() + 64);
    ASSERT_TRUE(limit.ok());
    LogCapture log;
    EXPECT_FALSE(layer->saveShaders(ZRString(path("shaders.xml"))));
    EXPECT_EQ(log.count("st: cannot write shaders list"), 1);
  }
  EXPECT_EQ(readFile(path("shaders.xml")), old);
}

TEST_F(ShaderList, AddingUpdatesTheEntryWithTheSameIdIgnoringCase) {
  std::shared_ptr<Layer> layer = make();
  drain();
  EXPECT_EQ(layer->addShaderToList({"One", "AbC", "st-AbC.frag"}), 0);
  EXPECT_EQ(layer->addShaderToList({"Two", "xyz", "st-xyz.frag"}), 1);
  EXPECT_EQ(layer->addShaderToList({"One again", "abc", "st-abc.frag"}), 0);
  EXPECT_EQ(names(*layer), (std::vector<std::string>{"One again", "Two"}));
  EXPECT_EQ(layer->getShaders()[0].filename.utf8(), "st-abc.frag");
  for (const Layer::Shader& empty :
       {Layer::Shader{"", "i", "f"}, Layer::Shader{"n", "", "f"}, Layer::Shader{"n", "i", ""}})
    EXPECT_EQ(layer->addShaderToList(empty), -1);
  EXPECT_EQ(drain(), (std::vector<int>{1, 1, 1}));
}

TEST_F(ShaderList, RemovingKeepsTheCurrentShaderWhereverItMoves) {
  struct Case {
    int current;
    int removed;
    int currentAfter;  // index of the same shader, or -1 when it was removed
    bool removedOk;
  };
  const Case cases[] = {
      {1, 2, 1, true},    // after the current one: it stays (it used to move back one)
      {2, 0, 1, true},    // before it: it moves up with its line
      {1, 1, -1, true},   // the current one itself: no shader
      {0, 0, -1, true},   //
      {1, 5, 1, false},   // beyond the list: nothing happens
      {1, -1, 1, false},  //
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("current " + std::to_string(c.current) + " removed " + std::to_string(c.removed));
    ASSERT_TRUE(
        writeFile(path("shaders.xml"),
                  listFile(c.current, {{"a", "A", "a.frag"}, {"b", "B", "b.frag"}, {"c", "C", "c.frag"}})));
    std::shared_ptr<Layer> layer = make();
    const std::string chosen = layer->getShaders()[c.current].shaderID.utf8();
    EXPECT_EQ(layer->removeShaderFromList(c.removed), c.removedOk);
    ASSERT_EQ(layer->getCurrentShader(), c.currentAfter);
    if (c.currentAfter >= 0) {
      EXPECT_EQ(layer->getShaders()[c.currentAfter].shaderID.utf8(), chosen);
    }
    EXPECT_EQ(layer->getTotalShaders(), c.removedOk ? 2 : 3);
    drain();
  }
}

TEST_F(ShaderList, RenamingChangesOnlyTheNameOfAnEntryThatExists) {
  ASSERT_TRUE(writeFile(path("shaders.xml"), listFile(-1, {{"a", "A", "a.frag"}})));
  std::shared_ptr<Layer> layer = make();
  drain();
  EXPECT_TRUE(layer->renameShader(0, "Renamed"));
  EXPECT_FALSE(layer->renameShader(1, "Nobody"));
  EXPECT_FALSE(layer->renameShader(-1, "Nobody"));
  EXPECT_EQ(names(*layer), std::vector<std::string>{"Renamed"});
  EXPECT_EQ(layer->getShaders()[0].filename.utf8(), "a.frag");
  EXPECT_EQ(layer->getShaderName(0).utf8(), "Renamed");
  EXPECT_EQ(layer->getShaderName(3).utf8(), "");
  EXPECT_EQ(drain(), (std::vector<int>{1, 1}));
}

TEST_F(ShaderList, ChoosingAShaderPostsTheChangeAndNoShaderStopsTheAnalysis) {
  ASSERT_TRUE(writeFile(path("a.frag"), "void main() { gl_FragColor = vec4(1.0); }\n"));
  ASSERT_TRUE(
      writeFile(path("shaders.xml"), listFile(-1, {{"a", "A", "a.frag"}, {"m", "Missing", "m.frag"}})));
  std::shared_ptr<Layer> layer = make();
  drain();
  layer->setCurrentShader(0);
  EXPECT_EQ(layer->getCurrentShader(), 0);
  // The file is read on a pool thread, which then starts the analysis.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!layer->isProcessing() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_TRUE(layer->isProcessing());
  EXPECT_EQ(drain(), std::vector<int>{0});
  // A shader whose file is gone is chosen but nothing is read; beyond the list nothing changes.
  layer->setCurrentShader(1);
  EXPECT_EQ(layer->getCurrentShader(), 1);
  layer->setCurrentShader(9);
  EXPECT_EQ(layer->getCurrentShader(), 1);
  layer->setCurrentShader(-1);
  EXPECT_EQ(layer->getCurrentShader(), -1);
  EXPECT_FALSE(layer->isProcessing());
  EXPECT_FALSE(layer->isShaderReady());
  EXPECT_EQ(drain(), std::vector<int>{0});
}

}  // namespace
