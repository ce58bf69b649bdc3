#include "db/node_heap.h"

RecordPool<HeapNode>& HeapNodePool() {
  static RecordPool<HeapNode> pool(50000);
  return pool;
}

void ResetNodePool4() { HeapNodePool().Reset(); }
