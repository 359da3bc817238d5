#pragma once

// What the fuzz targets share: an input is a map's six layer files,
// separated by the byte 0x1E (ASCII record separator): M .mif, M .mid,
// S .mif, S .mid, T .mif, T .mid; a file the input does not reach is
// absent. The files are written to a folder on tmpfs ($TMPDIR when set).

#include <cstddef>
#include <cstdint>
#include <string>

#include "map/turn_restrictions.h"

// Makes the folder, to be removed with the files the targets write when the
// process exits. Called once, before anything else here.
void PrepareFuzzFolder();

// The path of name in the folder.
std::string FuzzPath(const std::string& name);

// Writes content to the folder's file name, replacing it.
void WriteFuzzFile(const std::string& name, const std::string& content);

// Writes the input's layer files (removing those it does not reach) and
// returns the path of its M layer's .mif file.
std::string WriteInputLayers(const uint8_t* data, size_t size);

// Aborts unless every restriction names segments of the store and a via
// junction among the graph's nodes, and its segments join up in order:
// From ends at Via, each of Ways starts where the one before ends, To
// starts where the last ends.
void CheckRestrictionsJoinUp(const TurnRestrictions& restrictions);

// Searches between codes at the graph's ends and beyond them, each start
// kept for several targets, and aborts unless every answer equals the
// search from scratch.
void CheckRoutesAgainstDirectSearch();
