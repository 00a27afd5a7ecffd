#include "soundio/zr_memory_midi_transport.h"

#include <algorithm>

class ZRMemoryMidiTransport::Input : public ZRMidiTransportInput {
 public:
  explicit Input(ZRMemoryMidiTransport& owner) : owner_(owner) {}
  ~Input() override {
    std::lock_guard<std::recursive_mutex> guard(owner_.lock_);
    auto& list = owner_.connections_;
    list.erase(
        std::remove_if(list.begin(), list.end(), [this](const Connection& c) { return c.input == this; }),
        list.end());
  }

 private:
  ZRMemoryMidiTransport& owner_;
};

class ZRMemoryMidiTransport::Output : public ZRMidiTransportOutput {
 public:
  Output(ZRMemoryMidiTransport& owner, std::string name) : owner_(owner), name_(std::move(name)) {}
  bool send(const unsigned char* bytes, int size) override {
    if (bytes == nullptr || size <= 0) return false;
    std::lock_guard<std::recursive_mutex> guard(owner_.lock_);
    owner_.sent_.emplace_back(name_, std::vector<unsigned char>(bytes, bytes + size));
    return true;
  }

 private:
  ZRMemoryMidiTransport& owner_;
  std::string name_;
};

ZRMemoryMidiTransport::~ZRMemoryMidiTransport() = default;

void ZRMemoryMidiTransport::addSource(const ZRMidiEndpoint& source) {
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    sources_.push_back(source);
  }
  announce();
}

void ZRMemoryMidiTransport::addDestination(const ZRMidiEndpoint& destination) {
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    destinations_.push_back(destination);
  }
  announce();
}

void ZRMemoryMidiTransport::removePort(const std::string& name) {
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    auto named = [&](const ZRMidiEndpoint& e) { return e.name == name; };
    sources_.erase(std::remove_if(sources_.begin(), sources_.end(), named), sources_.end());
    destinations_.erase(std::remove_if(destinations_.begin(), destinations_.end(), named),
                        destinations_.end());
  }
  announce();
}

void ZRMemoryMidiTransport::announce() {
  std::function<void()> changed;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    changed = changed_;
  }
  if (changed) changed();
}

bool ZRMemoryMidiTransport::inject(const std::string& name, const std::vector<unsigned char>& bytes,
                                   int offsetMs) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  bool any = false;
  // A copy: a byte function may close another input meanwhile.
  const std::vector<Connection> connections = connections_;
  for (const Connection& c : connections) {
    if (c.source != name) continue;
    c.bytes(bytes.data(), static_cast<int>(bytes.size()), offsetMs);
    any = true;
  }
  return any;
}

std::vector<std::vector<unsigned char>> ZRMemoryMidiTransport::sent(const std::string& name) const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  std::vector<std::vector<unsigned char>> out;
  for (const auto& [to, bytes] : sent_) {
    if (to == name) out.push_back(bytes);
  }
  return out;
}

int ZRMemoryMidiTransport::openInputs() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return static_cast<int>(connections_.size());
}

std::vector<ZRMidiEndpoint> ZRMemoryMidiTransport::listSources() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return sources_;
}

std::vector<ZRMidiEndpoint> ZRMemoryMidiTransport::listDestinations() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return destinations_;
}

std::unique_ptr<ZRMidiTransportInput> ZRMemoryMidiTransport::openInput(const ZRMidiEndpoint& source,
                                                                       BytesFn bytes) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  auto input = std::make_unique<Input>(*this);
  connections_.push_back({input.get(), source.name, std::move(bytes)});
  return input;
}

std::unique_ptr<ZRMidiTransportOutput> ZRMemoryMidiTransport::openOutput(const ZRMidiEndpoint& destination) {
  return std::make_unique<Output>(*this, destination.name);
}

void ZRMemoryMidiTransport::setSetupChanged(std::function<void()> changed) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  changed_ = std::move(changed);
}
