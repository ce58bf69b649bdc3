#pragma once

// Empties every record pool of the database in one go, releasing all their blocks: the vertex
// pool, the index nodes, the text items, the list nodes, the shape positions, the shape groups
// and the heap nodes, in that order. Every pooled record becomes invalid, so only the
// application's exit does this, once no library, ring set or index is alive.
void ResetRecordPools();
