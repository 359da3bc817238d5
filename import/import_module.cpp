// The import module's two entry points, called by ruvel-route through plain
// C types: every exception stops here and becomes a message.
#include "import/import_module.h"

#include <malloc.h>

#include <cstdio>
#include <string>

#include "import/import_error.h"
#include "import/import_request.h"
#include "import/road_import.h"
#include "import/route_geojson.h"
#include "toolkit/module_entry.h"

namespace {

// Arrays of a megabyte or more are taken from the system and given back
// when freed, whatever was freed before: an import frees each pass's arrays
// to make room for the next's, which the heap would otherwise keep.
constexpr int kOwnMappingBytes = 1 << 20;

// Runs work; returns its status, as ModuleEntryStatus gives it.
template <typename Work>
int Guarded(char* message, size_t messageSize, Work work) {
  return ModuleEntryStatus<ImportUsageError>(message, messageSize, "the import module failed", work);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int RuvelImport(const RuvelImportRequest* request,
                                                                  char* message, size_t messageSize) {
  return Guarded(message, messageSize, [request] {
    mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
    const ImportReport report = ImportRoads(*request);
    if (!request->quiet) PrintImportReport(report, stdout);
  });
}

extern "C" __attribute__((visibility("default"))) int RuvelWriteRoutesGeoJson(const char* mifPath,
                                                                              const RuvelRouteLine* routes,
                                                                              size_t routeCount, FILE* out,
                                                                              char* message,
                                                                              size_t messageSize) {
  return Guarded(message, messageSize,
                 [&] { WriteRoutesGeoJson(OptionText(mifPath), routes, routeCount, out); });
}

extern "C" __attribute__((visibility("default"))) int RuvelWriteRoutesGpx(const char* mifPath,
                                                                          const RuvelRouteLine* routes,
                                                                          size_t routeCount, FILE* out,
                                                                          char* message, size_t messageSize) {
  return Guarded(message, messageSize, [&] { WriteRoutesGpx(OptionText(mifPath), routes, routeCount, out); });
}
