#pragma once
// The search box ("et_search") and the browser's list changes: typing searches the library as the user
// types and the results list shows the matches; Up and Down move the track table's cursor; Enter and Tab
// go to the track table; Esc, or leaving an empty box, ends the search and the browser goes back to the
// line selected before it.
//
// While the browser shows the streaming service's search list the box is in auto-enter mode: it searches
// only on Enter (or a pause in typing, which the box reports as Enter).
//
// Threads: main thread (the search box posts its slots there).

class ZRDrawNode;

// The box's text events: 1 edited, 16 focus gained, 32 focus lost (ZRNodeEditText::TextEvent).
void OnFunctionEditText_Search(int value, int param, int deck, ZRDrawNode* node);
// Up, Down, Enter, Tab and Esc of the box; true when the key was used.
bool OnCharEditText_Search(int key, int modifiers, ZRDrawNode* node);
// The box's key slot shape (the box ignores the answer).
void OnCharEditText_SearchSlot(int key, int modifiers, ZRDrawNode* node);
// Leaves the search: the browser returns to the line before it, the track table gets the focus and the
// box shows its hint text.
void FSearchStop(int value, int param, int deck, ZRDrawNode* node);
// The browser's list changed (value: the list slot now shown).
void Browser_OnListChanged(int value, int param, int deck, ZRDrawNode* node);

// Whether the box searches only on Enter (the streaming service's search list is shown).
bool searchIsAutoEnter();
