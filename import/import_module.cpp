// The import module's two entry points, called by ruvel-route through plain
// C types: every exception stops here and becomes a message.
#include "import/import_module.h"

#include <cstdio>
#include <exception>
#include <string>

#include "import/import_error.h"
#include "import/import_request.h"
#include "import/road_import.h"
#include "import/route_geojson.h"

namespace {

// Runs work; returns 0, or, with the exception's message copied into
// message, 2 for wrong usage and 1 for any other failure.
template <typename Work>
int Guarded(char* message, size_t messageSize, Work work) {
  try {
    work();
    return 0;
  } catch (const ImportUsageError& e) {
    std::snprintf(message, messageSize, "%s", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::snprintf(message, messageSize, "%s", e.what());
  } catch (...) {
    std::snprintf(message, messageSize, "the import module failed");
  }
  return 1;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int RuvelImport(const RuvelImportRequest* request,
                                                                  char* message, size_t messageSize) {
  return Guarded(message, messageSize, [request] {
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
