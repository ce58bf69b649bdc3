#pragma once

#include <istream>
#include <map>

#include "db/library.h"

// Layer map files (".map") give existing layers readable names. Each line names one key with
// four whitespace-separated fields: layer name, datatype name, layer number (0 to 65535) and
// datatype number (0 to 255); anything after them is ignored. A line whose first non-blank
// character is '#' is a comment; empty lines are ignored; lines may end in CR LF and be of any
// length.

// Names the layers of layers that the lines of in give keys for: the first name takes the
// layer name, the second the datatype name, a later line for the same key wins. Keys the table
// does not hold, and numbers outside their range, leave the line unapplied. Reading ends at the
// end of the file and at a number that cannot be read (a line of fewer than four fields makes
// the next line's first name stand for a number); the lines before stay applied. A name that is
// not valid UTF-8 is taken as Latin-1 and stored as UTF-8. Returns the number of layers named.
int ReadLayerMap(std::istream& in, std::map<LayerKey, LayerInfo>& layers);

// text when it is valid UTF-8, else text read as Latin-1, encoded as UTF-8.
std::string Utf8OrLatin1(const std::string& text);
