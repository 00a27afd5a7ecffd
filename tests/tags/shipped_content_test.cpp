// The default content shipped in resources/ and copied into the data folder on a first run: the sampler
// bank and its sounds, the demo songs and the overlays file. Each file must open the way the application
// opens it; the demo songs must be tagged and carry their own steady tone from start to end (the tone is
// how a recording of the mix tells which song was heard).

#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "codecs/zr_master_codec.h"
#include "common/zr_xml_utils.h"
#include "support/test_support.h"
#include "tags/zr_tag.h"

namespace {

const std::string kResources = orvel_test::sourceFile("resources");

std::string attribute(xmlNode* n, const char* name) {
  return decodeStrNode2(n, name).utf8();
}

// The element children of node, each of which must be named name.
std::vector<xmlNode*> elementsNamed(xmlNode* node, const char* name) {
  std::vector<xmlNode*> out;
  for (xmlNode* n = node->children; n != nullptr; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    EXPECT_STREQ(reinterpret_cast<const char*>(n->name), name);
    out.push_back(n);
  }
  return out;
}

// A shipped XML file as the application writes them: a byte-order mark, then the document, whose root
// has the name and version given.
class ShippedXml {
 public:
  ShippedXml(const std::string& path, const char* rootName, const char* version) {
    EXPECT_EQ(orvel_test::readFile(path).rfind("\xEF\xBB\xBF", 0), 0u) << path << " has no byte-order mark";
    ok_ = openXMLFile(path.c_str(), rootName, &document_, &root_, 0, 0);
    EXPECT_TRUE(ok_) << path;
    if (ok_) {
      EXPECT_EQ(attribute(root_, "version"), version) << path;
    }
  }
  ~ShippedXml() {
    if (ok_) closeXMLFile(document_);
  }
  ShippedXml(const ShippedXml&) = delete;
  ShippedXml& operator=(const ShippedXml&) = delete;
  bool ok() const { return ok_; }
  xmlNode* root() const { return root_; }

 private:
  xmlDoc* document_ = nullptr;
  xmlNode* root_ = nullptr;
  bool ok_ = false;
};

// The whole file as the decks and the sampler read it: 44100 Hz stereo floats.
std::vector<float> decodeAll(const std::string& path) {
  ZRMasterCodec codec(50);
  ZRCodecBase::OpenStruct request;
  request.path = ZRString(path);
  request.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  if (!codec.openFileOrStream(&request, 1.0f)) return {};
  const int total = request.format.totalFrames;
  std::vector<float> all(static_cast<size_t>(total) * 2);
  for (int at = 0; at < total;) {
    const int n = std::min(32768, total - at);
    const int got = codec.getSamples(all.data() + 2 * static_cast<size_t>(at), n, at);
    if (got <= 0) break;
    at += got;
  }
  codec.close();
  return all;
}

// The power of one frequency in frames [from, from + count) of the left channel (Goertzel).
double tonePower(const std::vector<float>& stereo, size_t from, size_t count, double hz) {
  const double w = 2 * M_PI * hz / 44100.0, coeff = 2 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (size_t i = from; i < from + count; ++i) {
    const double s = stereo[2 * i] + coeff * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  return (s1 * s1 + s2 * s2 - coeff * s1 * s2) / (static_cast<double>(count) * count);
}

TEST(ShippedContent, SamplerBankNamesEightSoundsThatOpen) {
  const ShippedXml bank(kResources + "/samples/sampler.xml", "sampler", "2");
  ASSERT_TRUE(bank.ok());
  std::set<int> slots;
  for (xmlNode* n : elementsNamed(bank.root(), "sample")) {
    const int index = decodeIntNode(n, "index");
    EXPECT_TRUE(index >= 1 && index <= 8) << index;
    EXPECT_TRUE(slots.insert(index).second) << "slot " << index << " twice";
    // A first run reads the bank with the Samples folder as prefix: names, not paths.
    const std::string file = attribute(n, "file");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file.find('/'), std::string::npos) << file;
    const int volume = decodeIntNode(n, "volume"), pitch = decodeIntNode(n, "pitch");
    EXPECT_TRUE(volume >= 0 && volume <= 127) << file;
    EXPECT_TRUE(pitch >= -5000 && pitch <= 5000) << file;
    const int beats = decodeIntNode(n, "beats");
    EXPECT_TRUE(beats == 0 || beats == 1 || beats == 2 || beats == 4 || beats == 8 || beats == 16 ||
                beats == 32 || beats == 64)
        << file;
    const std::vector<float> sound = decodeAll(kResources + "/samples/" + file);
    ASSERT_FALSE(sound.empty()) << file;
    // The sampler keeps at most 30 seconds of a file.
    EXPECT_LT(sound.size() / 2, 30u * 44100) << file;
    float peak = 0;
    for (float v : sound) peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.5f) << file << " is too quiet";
    EXPECT_LE(peak, 1.0f) << file;
  }
  EXPECT_EQ(slots.size(), 8u);
}

TEST(ShippedContent, DemoSongsAreTaggedAndEachHoldsItsOwnTone) {
  const std::map<std::string, double> tones = {{"Night Drive.mp3", 440.0}, {"Morning Run.mp3", 587.33}};
  uintmax_t bytes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kResources + "/demo_songs")) {
    bytes += entry.file_size();
    EXPECT_TRUE(tones.count(entry.path().filename().string())) << "unexpected " << entry.path();
  }
  EXPECT_LT(bytes, 1024u * 1024u) << "keep the demo songs small";

  for (const auto& [name, tone] : tones) {
    SCOPED_TRACE(name);
    const std::string path = kResources + "/demo_songs/" + name;
    ZRTag tag;
    ASSERT_TRUE(tag.open(ZRString(path)));
    ZRString artist, title;
    tag.getField(kZRTagArtist, &artist);
    tag.getField(kZRTagTitle, &title);
    EXPECT_EQ(artist.utf8(), "Orvel Demo");
    EXPECT_EQ(title.utf8() + ".mp3", name);
    tag.close();

    const std::vector<float> song = decodeAll(path);
    const size_t frames = song.size() / 2;
    EXPECT_GT(frames, 15u * 44100);
    EXPECT_LT(frames, 40u * 44100);
    // Every second: the song's own tone stands far above the other song's.
    const double other = tone == 440.0 ? 587.33 : 440.0;
    for (size_t from = 4410; from + 44100 <= frames; from += 44100) {
      const double own = tonePower(song, from, 44100, tone), foreign = tonePower(song, from, 44100, other);
      EXPECT_GT(own, 100 * foreign) << "second " << from / 44100;
      EXPECT_GT(own, 1e-3) << "second " << from / 44100;
    }
  }
}

TEST(ShippedContent, OverlaysFileIsReadable) {
  const ShippedXml file(kResources + "/overlays/default.xml", "overlays", "1");
  ASSERT_TRUE(file.ok());
  int overlays = 0;
  for (xmlNode* n : elementsNamed(file.root(), "overlay")) {
    ++overlays;
    const std::string type = attribute(n, "type");
    EXPECT_TRUE(type == "text" || type == "imageOrVideo") << type;
    if (type == "text") {
      EXPECT_FALSE(attribute(n, "nametext").empty());
    }
    for (const char* number : {"cr", "cg", "cb", "opacity", "width", "height"}) {
      const double v = decodeFloatNode(n, number);
      EXPECT_TRUE(v >= 0 && v <= 1) << number;
    }
  }
  EXPECT_GE(overlays, 1);
}

}  // namespace
