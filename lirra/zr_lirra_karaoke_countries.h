#pragma once
// Fixed tables of the catalogue account's countries (246 rows), US states and territories (62) and
// Canadian provinces and territories (13), each row a two-letter code and a name. The codes are the
// service's own: mostly ISO 3166-1 alpha-2, with some withdrawn ones and some of its own (UK, EI, XV;
// NF and YK for Newfoundland and Yukon).
//
// Lookups compare exactly (same bytes, case-sensitive, no trimming) against codes and names alike and
// give the row index, or -1. The row accessors give the empty text for a row outside the table.
//
// Threads: any; the tables are constant.

#include "common/zr_string.h"

int getLK_Countries_index_by_code_or_name(const ZRString& text);

int getTotalSP_USA();
ZRString getSP_USA_code(int row);
ZRString getSP_USA_name(int row);
int getSP_USA_index_by_code_or_name(const ZRString& text);

int getTotalSP_Canada();
ZRString getSP_Canada_code(int row);
ZRString getSP_Canada_name(int row);
int getSP_Canada_index_by_code_or_name(const ZRString& text);
