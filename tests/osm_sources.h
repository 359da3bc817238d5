#pragma once

#include <string>

// An OpenStreetMap XML file written from a compact text: items separated by
// '|', each "nID X Y TAG...", "wID REF... TAG..." or "rID MEMBER... TAG...",
// in the order given. A tag is k=v (a value without blanks or '|'), a
// member ROLE:wID or ROLE:nID; X and Y are thousandths of a degree east of
// 7.42 and north of 43.73, written with the 7 decimals a PBF file keeps.
// Relations are turn restrictions: each is tagged type=restriction.
std::string OsmXml(const std::string& items);

// Writes the OpenStreetMap XML file as PBF through libosmium's writer, the
// objects in the same order.
void WriteOsmPbf(const std::string& xmlPath, const std::string& pbfPath);
