#pragma once

// Registers GDAL's drivers and closes every way GDAL and PROJ have to reach
// the network: no /vsicurl/ file is allowed, every HTTP fetch fails at once
// without a request, GML schemas and linked elements are not downloaded, and
// PROJ works without its network grids. Safe to call more than once.
void PrepareGdal();
