#include "database/zr_list_filter.h"

void ZRListFilter::setGenres(const int32_t* ids) {
  genreIds.clear();
  if (!ids) return;
  for (int i = 0; i < kMaxGenres && ids[i] >= 0; ++i) genreIds.push_back(ids[i]);
}

bool ZRListFilter::passes(const TZRListTrack& row, const TZRDatabaseTrack* record) const {
  if (!record) return false;
  if (mediaType != -1 && mediaType != record->mediaType) return false;
  if (onlyNew && !record->isNew) return false;

  const ZRString& yearText = record->tags[kTagYear];
  const ZRString& bpmText = record->tags[kTagBpm];
  const int year = yearText.empty() ? -1 : yearText.toInt();
  const double bpm = bpmText.empty() ? -1.0 : bpmText.toDouble();
  if (yearMin > 0 && year < yearMin) return false;
  if (yearMax > 0 && year > yearMax) return false;
  if (bpmMin > 0 && bpm < bpmMin) return false;
  if (bpmMax > 0 && bpm > bpmMax) return false;

  if (!artist.empty() && artist.icmp(record->tags[kTagArtist]) != 0) return false;
  if (!album.empty() && album.icmp(record->tags[kTagAlbum]) != 0) return false;

  if (!genreIds.empty()) {
    bool any = false;
    for (const int32_t id : genreIds) {
      for (const int32_t genre : record->genres) any = any || genre == id;
    }
    if (!any) return false;
  }

  if (row.added >= 0) {
    if (addedFrom >= 0 && row.added < addedFrom) return false;
    if (addedTo >= 0 && row.added > addedTo) return false;
  }
  return true;
}
