#pragma once

#include <cstdint>
#include <string>

// Reads the map whose M layer geometry is fileName into the (empty) map store
// and builds the road graph. The other three files are named from it: the
// same name with ".mid", and both again with the name's first character
// replaced by "S" (Mtown.mif: Mtown.mid, Stown.mif, Stown.mid); a derived
// name that does not exist as written is looked up ignoring letter case. A
// file that cannot be opened is skipped. A malformed number raises
// EConvertError and a surplus attribute row DynArrayOutOfRange; either
// leaves at once with what was stored so far kept (counts equal to the
// tables' lengths), the remaining files unread and the graph not rebuilt.
void LoadMapLayers(std::string fileName);

// The token of line that starts at the 1-based position, up to the next
// delimiter or the end of the line; position then stands just past that
// delimiter. Past the end of the line: empty, position unchanged.
std::string NextToken(const std::string& line, int32_t& position, char delimiter);

// path without its extension (dot included); path itself when it has none.
std::string StripFileExt(const std::string& path);
