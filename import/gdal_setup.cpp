#include "import/gdal_setup.h"

#include <cpl_conv.h>
#include <cpl_http.h>
#include <gdal.h>
#include <ogr_srs_api.h>

namespace {

// Answers every HTTP fetch with a failure, without sending anything.
CPLHTTPResult* RefuseFetch(const char*, CSLConstList, GDALProgressFunc, void*, CPLHTTPFetchWriteFunc, void*,
                           void*) {
  auto* result = static_cast<CPLHTTPResult*>(CPLCalloc(1, sizeof(CPLHTTPResult)));
  result->nStatus = 1;
  result->pszErrBuf = CPLStrdup("the importer does not use the network");
  return result;
}

}  // namespace

void PrepareGdal() {
  GDALAllRegister();
  // A path below /dev/null cannot exist, so no remote file matches it.
  CPLSetConfigOption("CPL_VSIL_CURL_ALLOWED_FILENAME", "/dev/null/none");
  CPLSetConfigOption("GML_DOWNLOAD_WFS_SCHEMA", "NO");
  CPLSetConfigOption("GML_SKIP_RESOLVE_ELEMS", "ALL");
  CPLSetConfigOption("PROJ_NETWORK", "OFF");
  CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");  // no .aux.xml beside a source
  CPLHTTPSetFetchCallback(RefuseFetch, nullptr);
  OSRSetPROJEnableNetwork(FALSE);
}
