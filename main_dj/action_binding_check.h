#pragma once
// What the bindings did, for the start-up log and the tests: every slot filled (node and slot number, -1
// for a pointer, drop, key or menu slot) and every function name the function table does not know (a
// binding left empty: logged "binding: no action function named NAME").
//
// Threads: main thread only (the bindings run there).

#include <vector>

class ZRDrawNode;

struct ZRBindingRecord {
  ZRDrawNode* node;
  int slot;
};

void noteBinding(ZRDrawNode* node, int slot);
void noteBindingFailure(const char* functionName);
// The records since the last reset.
const std::vector<ZRBindingRecord>& bindingRecords();
int bindingFailureCount();
void resetBindingRecords();
