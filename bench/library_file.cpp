// database.xml at collection size, and adding a folder of files.
// Library: 100,000 generated tracks with their analysis fields, the
// collection list holding them all and 199 user lists of 200 rows.
// Measured: saving the library with its lists, and loading it into an empty
// library; beside each (counter reference_ms, ratio = the figure / the
// reference) the time libxml2 takes merely to parse the same file, reporting
// nothing. Adding: 1,000 generated short WAV files added as a
// folder on the adding thread, in tracks per second; its reference is a
// plain loop reading the same files' tags and audio properties.
// Targets: save within 1 s, load within 1 s.

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "database/zr_database.h"
#include "database/zr_list.h"
#include "library_generator.h"
#include "tags/zr_tag.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string makeTempFolder() {
  std::string dir = (std::filesystem::temp_directory_path() / "orvel-bench-library-XXXXXX").string();
  return mkdtemp(dir.data()) ? dir : std::string();
}

// The lists of one library, as the browser would have them.
struct Lists {
  std::vector<std::unique_ptr<ZRList>> owned;
  ZRList* make(ZRDatabase* db, const ZRString& name, int32_t type) {
    owned.push_back(std::unique_ptr<ZRList>(ZRList::create(name, true, type, 0)));
    owned.back()->setDatabase(db);
    return owned.back().get();
  }
  static ZRList* factory(const ZRString& name, int32_t type, int32_t, void* user) {
    auto* self = static_cast<std::pair<Lists*, ZRDatabase*>*>(user);
    return self->first->make(self->second, name, type);
  }
};

struct SavedLibrary {
  ZRDatabase db;
  Lists lists;
  std::string folder = makeTempFolder();
  std::string path = folder + "/database.xml";

  SavedLibrary() {
    const std::vector<int32_t> ids = bench_library::addGeneratedTracks(db, 100000, true);
    std::vector<TZRListTrack> rows(ids.size());
    for (size_t i = 0; i < ids.size(); ++i) rows[i].trackId = ids[i];
    lists.make(&db, "Collection", ZRList::kTypeCollection)->setContentFrom(std::move(rows));
    for (int l = 1; l < 200; ++l) {
      std::vector<TZRListTrack> some(200);
      for (int r = 0; r < 200; ++r)
        some[static_cast<size_t>(r)].trackId = ids[static_cast<size_t>((l * 997 + r * 31) % 100000)];
      lists.make(&db, ZRString("Set " + std::to_string(l)), ZRList::kTypeUserList)
          ->setContentFrom(std::move(some));
    }
    db.save(ZRString(path), true);
  }
};

SavedLibrary& savedLibrary() {
  static SavedLibrary* instance = new SavedLibrary();
  return *instance;
}

// libxml2 parsing the file and reporting nothing: the least any reader of
// it can cost.
double plainParseMs(const std::string& path) {
  const auto start = Clock::now();
  xmlParserCtxtPtr parser = xmlCreateFileParserCtxt(path.c_str());
  xmlCtxtUseOptions(parser, XML_PARSE_NONET | XML_PARSE_NOENT);
  xmlSAXHandler nothing;
  memset(&nothing, 0, sizeof(nothing));
  nothing.initialized = XML_SAX2_MAGIC;
  *parser->sax = nothing;
  xmlParseDocument(parser);
  benchmark::DoNotOptimize(parser->wellFormed);
  xmlFreeParserCtxt(parser);
  return msSince(start);
}

void setRatio(benchmark::State& state, double oursMs, double referenceMs) {
  const double n = static_cast<double>(state.iterations());
  state.counters["reference_ms"] = referenceMs / n;
  state.counters["ratio"] = oursMs / referenceMs;
}

void BM_SaveLibrary(benchmark::State& state) {
  SavedLibrary& lib = savedLibrary();
  double ours = 0;
  double reference = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!lib.db.save(ZRString(lib.path), true)) state.SkipWithError("save failed");
    const double ms = msSince(start);
    ours += ms;
    state.SetIterationTime(ms / 1000);
    reference += plainParseMs(lib.path);
  }
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(lib.path)) / 1e6;
  setRatio(state, ours, reference);
}
BENCHMARK(BM_SaveLibrary)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LoadLibrary(benchmark::State& state) {
  SavedLibrary& lib = savedLibrary();
  double ours = 0;
  double reference = 0;
  for (auto _ : state) {
    auto db = std::make_unique<ZRDatabase>();
    Lists lists;
    std::pair<Lists*, ZRDatabase*> target(&lists, db.get());
    const auto start = Clock::now();
    if (!db->load(ZRString(lib.path), &Lists::factory, &target)) state.SkipWithError("load failed");
    const double ms = msSince(start);
    ours += ms;
    state.SetIterationTime(ms / 1000);
    state.counters["tracks"] = db->getTrackCount();
    state.counters["lists"] = static_cast<double>(lists.owned.size());
    reference += plainParseMs(lib.path);
  }
  setRatio(state, ours, reference);
}
BENCHMARK(BM_LoadLibrary)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// 1,000 WAV files of half a second, "Artist NN - Title NNNN.wav".
const std::string& mediaFolder() {
  static const std::string folder = [] {
    const std::string dir = makeTempFolder();
    const uint32_t frames = 22050;
    const uint32_t bytes = frames * 4;
    const uint32_t header[] = {0x46464952u, 36 + bytes, 0x45564157u, 0x20746d66u, 16,   0x00020001u,
                               44100,       44100 * 4,  0x00100004u, 0x61746164u, bytes};
    const std::vector<char> silence(bytes, 0);
    for (int i = 0; i < 1000; ++i) {
      const std::string name =
          dir + "/Artist " + std::to_string(i % 50) + " - Title " + std::to_string(i) + ".wav";
      FILE* f = fopen(name.c_str(), "wb");
      if (!f) continue;
      fwrite(header, sizeof header, 1, f);
      fwrite(silence.data(), 1, silence.size(), f);
      fclose(f);
    }
    return dir;
  }();
  return folder;
}

void BM_AddFolderOfFiles(benchmark::State& state) {
  const std::string& folder = mediaFolder();
  double ours = 0;
  double reference = 0;
  int tracks = 0;
  for (auto _ : state) {
    ZRDatabase db;
    Lists lists;
    ZRList* list = lists.make(&db, "Added", ZRList::kTypeUserList);
    // The adding thread starts with the first work and then waits for more,
    // as it does in the running application.
    db.addFile(ZRString(folder + "/none.wav"), nullptr);
    db.waitUntilAddingIsDone(10000);
    const auto start = Clock::now();
    db.addFolder(ZRString(folder), list, false);
    if (!db.waitUntilAddingIsDone(120000)) state.SkipWithError("adding did not finish");
    const double ms = msSince(start);
    ours += ms;
    state.SetIterationTime(ms / 1000);
    tracks = list->getCount();

    const auto plainStart = Clock::now();
    ZRTag tag;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      int rate, channels, bits, kbps, lengthMs, bytes;
      tag.open(ZRString(entry.path().string()));
      tag.getAudioProperties(rate, channels, bits, kbps, lengthMs, bytes);
      tag.close();
    }
    reference += msSince(plainStart);
  }
  state.counters["tracks"] = tracks;
  state.counters["tracks_per_s"] = tracks * static_cast<double>(state.iterations()) / (ours / 1000);
  setRatio(state, ours, reference);
}
BENCHMARK(BM_AddFolderOfFiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
