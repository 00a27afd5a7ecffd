#include "pulselocker/pl_storage.h"

namespace pl {

template <>
Song StorageStrategy::get<Song>(int64_t id) {
  return Song::fromJSON(get(Object::kSong, id));
}

template <>
void StorageStrategy::save<Song>(const Song& song) {
  JSONNode record = song.toJSON();
  JSONNode type = JSONNode::text(Object::s_typeStrings[Object::kSong]);
  type.setName("__pl_type__");
  record.push_back(type);
  save(record);
}

}  // namespace pl
