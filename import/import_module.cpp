// The import module's two entry points, called by ruvel-route through plain
// C types: every exception stops here and becomes a message.
#include "import/import_module.h"

#include <cstdio>
#include <exception>
#include <string>

#include "import/road_import.h"
#include "import/route_geojson.h"

namespace {

// Runs work; returns 0, or 1 with the exception's message copied into
// message.
template <typename Work>
int Guarded(char* message, size_t messageSize, Work work) {
  try {
    work();
    return 0;
  } catch (const std::exception& e) {
    std::snprintf(message, messageSize, "%s", e.what());
  } catch (...) {
    std::snprintf(message, messageSize, "the import module failed");
  }
  return 1;
}

std::string Text(const char* text) { return text ? text : ""; }

}  // namespace

extern "C" __attribute__((visibility("default"))) int RuvelImport(const RuvelImportRequest* request,
                                                                  char* message, size_t messageSize) {
  return Guarded(message, messageSize, [request] {
    ImportSettings settings;
    settings.query.source = Text(request->source);
    settings.query.layer = Text(request->layer);
    settings.query.where = Text(request->where);
    settings.query.hasBbox = request->hasBbox != 0;
    for (int i = 0; i < 4; ++i) settings.query.bbox[i] = request->bbox[i];
    settings.query.nameField = Text(request->nameField);
    settings.query.sourceCrs = Text(request->sourceCrs);
    settings.query.travel.profile = Text(request->profile);
    settings.query.travel.onewayField = Text(request->onewayField);
    settings.query.travel.speedField = Text(request->speedField);
    settings.query.travel.defaultSpeed = request->defaultSpeed;
    for (int i = 0; i < 4; ++i) settings.outputs[i] = Text(request->outputs[i]);
    settings.snap = request->snap;
    settings.quiet = request->quiet != 0;
    const ImportReport report = ImportRoads(settings);
    if (!settings.quiet) PrintImportReport(report, stdout);
  });
}

extern "C" __attribute__((visibility("default"))) int RuvelWriteRoutesGeoJson(const char* mifPath,
                                                                              const RuvelRouteLine* routes,
                                                                              size_t routeCount, FILE* out,
                                                                              char* message,
                                                                              size_t messageSize) {
  return Guarded(message, messageSize, [&] { WriteRoutesGeoJson(Text(mifPath), routes, routeCount, out); });
}

extern "C" __attribute__((visibility("default"))) int RuvelWriteRoutesGpx(const char* mifPath,
                                                                          const RuvelRouteLine* routes,
                                                                          size_t routeCount, FILE* out,
                                                                          char* message, size_t messageSize) {
  return Guarded(message, messageSize, [&] { WriteRoutesGpx(Text(mifPath), routes, routeCount, out); });
}
