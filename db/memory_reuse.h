#pragma once

// Asks the C library to keep the memory the program frees for its next allocations, up to a
// bound, rather than hand it back to the system at once. An import frees and allocates tables
// of shapes cell after cell; memory given back and asked for again costs a page fault per page,
// which on a virtual machine took a tenth of an import's time. Called once at start-up.
void KeepFreedMemoryForReuse();
