#pragma once
// The singer search of the library's search box: a text beginning with
// "singer:" or "s:" (any case) lists the history rows sung by that singer.
// The library's simple and advanced searches (ZRDatabase::search,
// searchAdvanced) try it first.

#include "common/zr_string.h"

class ZRList;

// When text is a singer search and historyList is given: copies, in history
// order, every visible history row whose singer contains the name after the
// prefix (trimmed, without case; an empty name matches nothing) into
// resultList (replacing its rows) and returns true. False otherwise, with
// nothing changed.
bool searchInHistoryList(const ZRString& text, ZRList* resultList, ZRList* historyList);
