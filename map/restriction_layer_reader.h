#pragma once

#include <cstdint>
#include <optional>

#include "map/line_reader.h"
#include "map/turn_restrictions.h"
#include "toolkit/text_file.h"

// The T layer's .mif file: whether it is a T layer, its header's Columns
// block declaring exactly Rule, Kind, From, To, Via and Ways in this order
// (names compared ignoring letter case) before the first Point line; if
// so, the number of "Point X Y" lines from the first column after it. None
// for any other file, whose lines are then read past and ignored, so that
// it cannot fail the load. Lines of fewer than 5 characters with their line
// feed are skipped. In a T layer, a bad number raises EConvertError, a
// point beyond MAP_ITEM_LIMIT Exception and memory running out EOutOfMemory,
// each with the file and line in front; a cancel (see ReadControl) raises
// ELoadCancelled.
std::optional<int32_t> ReadRestrictionGeometry(TextFile& file, ReadControl& control);

// The T layer's .mid file, of a .mif file with pointLines Point lines,
// over the map store's points and segments as loaded: row r (of at least 5
// characters with its line feed, cut as every layer's lines are) gives
// restriction r, "rule","kind",from,to,via,"ways" (see TurnRestriction),
// the rule not kept and fields after the sixth ignored. Refused, with the
// file and line in front and nothing returned:
// - a row beyond the Point lines: DynArrayOutOfRange (row, pointLines), as
//   a surplus row of the M layer;
// - a kind other than exactly `no` or `only`, a malformed number, or ways
//   not separated by single blanks: EConvertError;
// - From, To or one of Ways outside 0..segmentCount-1, Via outside
//   1..pointCount (the codes of the road graph's nodes), or segments that do
//   not join up in order: From does not end at Via, a way does not start
//   where the one before it (or From) ends, or To does not start where the
//   last of them ends: Exception;
// - memory running out: EOutOfMemory.
// A cancel (see ReadControl) raises ELoadCancelled.
TurnRestrictions ReadRestrictionAttributes(TextFile& file, ReadControl& control, int32_t pointLines);
