#pragma once
// The SDK's record store and its content cache. pl::StorageStrategy is the store's interface (the SDK
// supplies the medium): save(record JSON) and get(type, id). The typed forms read and write songs:
// get<Song>(id) builds the song of the stored JSON (pl::json::ShapeError when it has another shape;
// the store fails with pl::storage::NotFoundError when it holds no such record), save<Song>(song)
// stores the song's JSON with "__pl_type__" appended. pl::content::Cache holds the store the streaming
// client reads songs from.
//
// Threads: the store is the SDK's and is called from the deck's streaming thread and from the SDK's
// response threads; an implementation guards itself.

#include <cstdint>
#include <memory>

#include "pulselocker/pl_json_node.h"
#include "pulselocker/pl_records.h"

namespace pl {

class StorageStrategy {
 public:
  virtual ~StorageStrategy() = default;
  virtual void save(const JSONNode& record) = 0;
  virtual JSONNode get(int type, int64_t id) = 0;

  template <typename T>
  T get(int64_t id);
  template <typename T>
  void save(const T& record);
};

template <>
Song StorageStrategy::get<Song>(int64_t id);
template <>
void StorageStrategy::save<Song>(const Song& song);

namespace content {
class Cache {
 public:
  explicit Cache(std::shared_ptr<StorageStrategy> storage) : storage_(std::move(storage)) {}
  StorageStrategy& storage() const { return *storage_; }

 private:
  std::shared_ptr<StorageStrategy> storage_;
};
}  // namespace content

}  // namespace pl
