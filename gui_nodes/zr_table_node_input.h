#pragma once
// Input steps the list controls (track table, browser tree) share with their table view. Main thread.

class ZRTableView;

// Hands an event the list controls pass on unchanged to the table view: enter, leave and the two wheels
// (a vertical wheel scrolls a tenth of the event's value in points, a horizontal one the value: 75 points a
// notch either way).
// False for any other code (the control handles it), and for a missing table view.
bool passEventToTableView(ZRTableView* table, int code, int value);

// Scrolls the table while something dragged out of it is held near its top or bottom edge (y in the
// control's points, height the control's): up while the table is below its top, down while it is above
// its bottom, so a drag from the first rows of a long list can reach its end.
void autoScrollWhileDragging(ZRTableView* table, float y, float height);
