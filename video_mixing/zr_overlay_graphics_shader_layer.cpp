#include "video_mixing/zr_overlay_graphics_shader_layer.h"

#include <wx/listbox.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/zr_dispatch_queue_base.h"
#include "common/zr_files.h"
#include "common/zr_global_task_dispatch.h"
#include "common/zr_keep_aside.h"
#include "common/zr_logging.h"
#include "common/zr_texture.h"
#include "gui/zr_wx_strings.h"
#include "video_mixing/zr_web_shader_fetch.h"

namespace {

constexpr const char* kListFile = "shaders.xml";
// A shader source larger than this is not a shader.
constexpr std::streamoff kMaxShaderBytes = 4 << 20;

void post(ZRDispatchQueueBase* queue, ZRTask task) {
  if (queue == nullptr) return;
  queue->addTask(task, std::chrono::microseconds(0), ZRSystemTimePoint(), false, false, nullptr);
}

bool readWholeFile(const ZRString& path, std::string& text) {
  std::ifstream in(path.utf8(), std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kMaxShaderBytes) return false;
  in.seekg(0, std::ios::beg);
  text.assign(static_cast<size_t>(size), '\0');
  in.read(text.data(), size);
  return static_cast<bool>(in);
}

}  // namespace

ZROverlayGraphicsShaderLayer::ZROverlayGraphicsShaderLayer(const ZRString& shadersFolder,
                                                           ListChangedCallback listChanged,
                                                           ZRDispatchQueueBase* callbackQueue)
    : ZROverlayGraphicsLayer(overlayItemRenderCallback(), nullptr),
      folder_(shadersFolder),
      listChanged_(std::move(listChanged)),
      callbackQueue_(callbackQueue) {
  loadShaders(folder_ + ZRString(kListFile));
}

ZROverlayGraphicsShaderLayer::~ZROverlayGraphicsShaderLayer() {
  analysis_.stop();
  saveShaders(folder_ + ZRString(kListFile));
  delete texture_;
}

void ZROverlayGraphicsShaderLayer::postListChanged(int what) {
  if (!listChanged_) return;
  ListChangedCallback callback = listChanged_;
  post(callbackQueue_, [callback, what] { return callback(what); });
}

int ZROverlayGraphicsShaderLayer::currentLocked() const {
  return current_ >= 0 && current_ < static_cast<int>(shaders_.size()) ? current_ : -1;
}

bool ZROverlayGraphicsShaderLayer::loadShaders(const ZRString& path) {
  std::string bytes;
  {
    std::ifstream in(path.utf8(), std::ios::binary);
    if (!in) {
      ZRLOG("st: error: load shaders: xml file not found");
      return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<Shader> entries;
  int current = -1;
  if (!parseShaderList(bytes.data(), bytes.size(), entries, current)) {
    ZRLOG("st: error: load shaders: xml file not loaded");
    // The list saved later must not take the place of a file the user may still recover.
    std::string keptAs;
    if (keepFileAside(path.utf8(), &keptAs))
      ZRLOG("st: the unreadable shader list is kept as '%s'", keptAs.c_str());
    return false;
  }
  {
    std::unique_lock guard(listLock_);
    shaders_ = std::move(entries);
    // An index the list does not hold names no shader (and would be read past the list's end at save).
    current_ = current >= 0 && current < static_cast<int>(shaders_.size()) ? current : -1;
  }
  postListChanged(1);
  return true;
}

bool ZROverlayGraphicsShaderLayer::saveShaders(const ZRString& path) {
  std::vector<Shader> sorted;
  int current = -1;
  {
    std::unique_lock guard(listLock_);
    const int at = currentLocked();
    const ZRString currentID = at >= 0 ? shaders_[at].shaderID : ZRString();
    std::stable_sort(shaders_.begin(), shaders_.end(),
                     [](const Shader& a, const Shader& b) { return a.name.icmp(b.name) < 0; });
    current_ = -1;
    if (at >= 0) {
      for (size_t i = 0; i < shaders_.size(); ++i) {
        if (shaders_[i].shaderID == currentID) {
          current_ = static_cast<int>(i);
          break;
        }
      }
    }
    sorted = shaders_;
    current = current_;
  }
  if (!writeShaderList(path, sorted, current)) {
    ZRLOG("st: cannot write shaders list");
    return false;
  }
  return true;
}

int ZROverlayGraphicsShaderLayer::getTotalShaders() const {
  std::shared_lock guard(listLock_);
  return static_cast<int>(shaders_.size());
}

int ZROverlayGraphicsShaderLayer::getCurrentShader() const {
  std::shared_lock guard(listLock_);
  return currentLocked();
}

ZRString ZROverlayGraphicsShaderLayer::getShaderName(int index) const {
  std::shared_lock guard(listLock_);
  return index >= 0 && index < static_cast<int>(shaders_.size()) ? shaders_[index].name : ZRString();
}

std::vector<ZROverlayGraphicsShaderLayer::Shader> ZROverlayGraphicsShaderLayer::getShaders() const {
  std::shared_lock guard(listLock_);
  return shaders_;
}

void ZROverlayGraphicsShaderLayer::populateListBox_Shaders(wxListBox* box) const {
  if (box == nullptr) return;
  box->Clear();
  for (const Shader& shader : getShaders()) box->Append(CharTowxString(shader.name.utf8().c_str()));
}

void ZROverlayGraphicsShaderLayer::setCurrentShader(int index) {
  if (index < 0) {
    {
      std::unique_lock guard(listLock_);
      current_ = -1;
    }
    {
      // The analysis is stopped under the slot's lock, so that a read finishing meanwhile cannot start
      // it again after this choice.
      std::lock_guard slot(slotLock_);
      ++generation_;
      sourcePending_ = false;
      pendingSource_.clear();
      currentSource_.clear();
      shaderReady_.store(false);
      analysis_.stop();
    }
    postListChanged(0);
    return;
  }
  ZRString path;
  {
    std::unique_lock guard(listLock_);
    if (index >= static_cast<int>(shaders_.size())) return;
    current_ = index;
    path = folder_ + shaders_[index].filename;
  }
  if (!FileExists(path)) return;
  loadConvertedShader(path, nullptr, nullptr);
  postListChanged(0);
}

int ZROverlayGraphicsShaderLayer::addShaderToList(const Shader& shader) {
  if (shader.name.empty() || shader.shaderID.empty() || shader.filename.empty()) return -1;
  int index = -1;
  {
    std::unique_lock guard(listLock_);
    for (size_t i = 0; i < shaders_.size(); ++i) {
      if (shaders_[i].shaderID.icmp(shader.shaderID) == 0) {
        shaders_[i].name = shader.name;
        shaders_[i].filename = shader.filename;
        index = static_cast<int>(i);
        break;
      }
    }
    if (index < 0) {
      shaders_.push_back(shader);
      index = static_cast<int>(shaders_.size()) - 1;
    }
  }
  postListChanged(1);
  return index;
}

bool ZROverlayGraphicsShaderLayer::removeShaderFromList(int index) {
  if (index < 0) return false;
  bool removed = false;
  bool removedCurrent = false;
  {
    std::unique_lock guard(listLock_);
    if (index < static_cast<int>(shaders_.size())) {
      shaders_.erase(shaders_.begin() + index);
      removed = true;
      if (index == current_) {
        removedCurrent = true;
      } else if (index < current_) {
        --current_;  // the same shader, one line up
      }
    }
  }
  postListChanged(1);
  if (removedCurrent) {
    setCurrentShader(-1);
  } else if (removed) {
    postListChanged(0);
  }
  return removed;
}

bool ZROverlayGraphicsShaderLayer::renameShader(int index, const ZRString& name) {
  if (index < 0) return false;
  bool renamed = false;
  {
    std::unique_lock guard(listLock_);
    if (index < static_cast<int>(shaders_.size())) {
      shaders_[index].name = name;
      renamed = true;
    }
  }
  postListChanged(1);
  return renamed;
}

void ZROverlayGraphicsShaderLayer::loadConvertedShader(const ZRString& path, ResultCallback callback,
                                                       ZRDispatchQueueBase* queue) {
  uint64_t generation = 0;
  {
    std::lock_guard slot(slotLock_);
    generation = ++generation_;
  }
  std::weak_ptr<ZROverlayGraphicsShaderLayer> weak = weak_from_this();
  auto report = [callback, queue](bool ok, const char* message) {
    if (!callback) return;
    ZRString text(message);
    post(queue, [callback, ok, text] { return callback(0, 0.0, ok, text); });
  };
  auto task = [weak, path, generation, report] {
    std::string text;
    if (!readWholeFile(path, text) || text.empty()) {
      ZRLOG("st: cannot read shader file '%s'", path.utf8().c_str());
      report(false, "error: cannot read shader file");
      return true;
    }
    std::shared_ptr<ZROverlayGraphicsShaderLayer> layer = weak.lock();
    if (!layer) return true;
    {
      std::lock_guard slot(layer->slotLock_);
      // A later choice (another shader, or none) has been made meanwhile: this text is stale.
      if (generation != layer->generation_) {
        report(false, "error: another shader was chosen meanwhile");
        return true;
      }
      layer->pendingSource_ = std::move(text);
      layer->sourcePending_ = true;
      layer->analysis_.start();
    }
    report(true, "success");
    return true;
  };
  ZRGlobalTaskDispatch* dispatch = ZRGlobalTaskDispatch::getInstance();
  ZRDispatchQueueThreadPool* pool = dispatch->lowPool.load();
  // Without the pools (shut-down, or a layer not made through make_shared) the file is read here.
  if (pool == nullptr || weak.expired() || !dispatch->async(task, pool)) {
    if (weak.expired()) {
      std::string text;
      if (!readWholeFile(path, text) || text.empty()) {
        report(false, "error: cannot read shader file");
        return;
      }
      {
        std::lock_guard slot(slotLock_);
        if (generation != generation_) return;
        pendingSource_ = std::move(text);
        sourcePending_ = true;
        analysis_.start();
      }
      report(true, "success");
    } else {
      task();
    }
  }
}

void ZROverlayGraphicsShaderLayer::getAndConvertWebGLShader(const ZRString& address, bool makeCurrent,
                                                            ResultCallback callback,
                                                            ZRDispatchQueueBase* queue) {
  std::weak_ptr<ZROverlayGraphicsShaderLayer> weak = weak_from_this();
  const ZRString folder = folder_;
  auto task = [weak, folder, address, makeCurrent, callback, queue] {
    ZRWebShaderResult result = fetchAndConvertWebShader(address.utf8(), folder, webShaderService());
    std::shared_ptr<ZROverlayGraphicsShaderLayer> layer = weak.lock();
    if (result.ok && layer) {
      const int index = layer->addShaderToList(result.entry);
      if (index < 0) {
        ZRLOG("st: cannot add shader to list");
        result = {false, "error: cannot add shader to list", {}};
      } else if (makeCurrent) {
        layer->setCurrentShader(index);
      }
    }
    if (callback) {
      const bool ok = result.ok;
      const ZRString message(result.message);
      post(queue, [callback, ok, message] { return callback(0, 0.0, ok, message); });
    }
    return true;
  };
  ZRGlobalTaskDispatch* dispatch = ZRGlobalTaskDispatch::getInstance();
  ZRDispatchQueueThreadPool* pool = dispatch->lowPool.load();
  if (pool == nullptr || !dispatch->async(task, pool)) {
    ZRLOG("st: the shader import cannot start: no worker pool");
    if (callback)
      post(queue, [callback] { return callback(0, 0.0, false, ZRString("error: cannot start the import")); });
  }
}

void ZROverlayGraphicsShaderLayer::updateFromRenderThread(double dt, bool, void*, void*, float width,
                                                          float height, bool, bool alternate) {
  time_ += dt;
  frame_ += 1;
  drew_ = false;
  if (texture_ == nullptr) {
    texture_ = ZRTexture::createTextureWithDefaultDevice(true, 1.0f);
    if (texture_ == nullptr) return;
    texture_->setShaderToySupport(true);
    hasTexture_.store(true);
    hasAudioData_ = false;
    // A texture made anew (after a reset) gets the current shader again before it may draw.
    std::lock_guard slot(slotLock_);
    if (!sourcePending_ && !currentSource_.empty()) {
      pendingSource_ = currentSource_;
      sourcePending_ = true;
    }
  }
  if (analysis_.takeLatestImage(image_) &&
      texture_->initWithOrRefreshData(image_, ZRShaderAudioAnalysis::kImageWidth, 2, ZRPixelFormatRed)) {
    hasAudioData_ = true;
  }
  if (!started_.exchange(true)) setCurrentShader(getCurrentShader());
  {
    std::lock_guard slot(slotLock_);
    if (sourcePending_) {
      sourcePending_ = false;
      currentSource_ = std::move(pendingSource_);
      pendingSource_.clear();
      if (texture_->applyPixelShader(currentSource_.c_str(), "main")) shaderReady_.store(true);
    }
  }
  if (!hasAudioData_ || !shaderReady_.load() || alternate) return;
  texture_->setPixelFloatConstant_Mix(0.5f);
  texture_->setPixelFloatConstant_Time(static_cast<float>(dt), static_cast<float>(time_));
  TShaderToy toy;
  toy.resolution[0] = width;
  toy.resolution[1] = height;
  toy.resolution[2] = 0;
  toy.time = static_cast<float>(time_);
  toy.timeDelta = static_cast<float>(dt);
  toy.frameRate = 60.0f;
  toy.sampleRate = 44100.0f;
  toy.frame = frame_;
  texture_->setPixelShaderToy(toy);
  texture_->drawFull(0, 0, 1, 1, 0, 1, false, true);
  drew_ = true;
}

void ZROverlayGraphicsShaderLayer::resetAllGraphicsResourcesInUse() {
  delete texture_;
  texture_ = nullptr;
  hasTexture_.store(false);
  hasAudioData_ = false;
  // Nothing is drawn through a texture without its program: the next update gives the new one the
  // shader again before it may draw.
  shaderReady_.store(false);
}
