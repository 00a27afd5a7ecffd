#pragma once
// The toolkit's stock cursor for a skin cursor kind (ZRNodeManager::cursorType): 0 the default arrow,
// 1 no entry, 2 cross, 3 text, 4 size west-east, 5 size north-south; wxCURSOR_NONE for other values (the
// window then leaves its cursor as it is). Main thread, like every toolkit call.

#include <wx/cursor.h>

wxStockCursor skinStockCursor(int kind);
