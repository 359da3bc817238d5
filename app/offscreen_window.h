#pragma once

// Starts the toolkit on Qt's offscreen platform, which needs no display, and
// creates the main window in fMain as the program does, without showing it.
// For the tests, the benchmarks and the fuzz target, which run the window's
// own handlers, search and drawing.
void CreateOffscreenMainWindow();

// Resizes the hidden main window so that its map image is width x height
// pixels.
void SizeMapImage(int width, int height);
