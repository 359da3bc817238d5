#include "import/source_reader.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "import/import_error.h"
#include "import/progress.h"

namespace {

bool IsLineType(OGRwkbGeometryType type) {
  switch (wkbFlatten(type)) {
    case wkbLineString:
    case wkbMultiLineString:
    case wkbCircularString:
    case wkbCompoundCurve:
    case wkbMultiCurve:
      return true;
    default:
      return false;
  }
}

// Appends every line of geometry (its parts, for a collection; curves made
// linear) to lines, named name. Points and surfaces add nothing. Returns
// whether the geometry held any line.
bool CollectLines(const OGRGeometry* geometry, const std::string& name, SourceLayer& layer) {
  if (!geometry) return false;
  const OGRwkbGeometryType type = wkbFlatten(geometry->getGeometryType());
  if (OGR_GT_IsSubClassOf(type, wkbGeometryCollection)) {
    bool any = false;
    for (const OGRGeometry* part : *geometry->toGeometryCollection()) any |= CollectLines(part, name, layer);
    return any;
  }
  if (!OGR_GT_IsCurve(type)) return false;
  std::unique_ptr<OGRGeometry> linear;
  const OGRLineString* line = nullptr;
  if (type == wkbLineString) {
    line = geometry->toLineString();
  } else {
    linear.reset(geometry->getLinearGeometry());
    if (!linear || wkbFlatten(linear->getGeometryType()) != wkbLineString) return false;
    line = linear->toLineString();
  }
  if (line->getNumPoints() == 0) {
    ++layer.emptyLines;
    return true;
  }
  SourceLine& out = layer.lines.emplace_back();
  out.name = name;
  out.x.resize(line->getNumPoints());
  out.y.resize(line->getNumPoints());
  line->getPoints(out.x.data(), sizeof(double), out.y.data(), sizeof(double));
  return true;
}

// Whether any feature of the layer (as filtered) has a line.
bool HasLines(OGRLayer& layer) {
  SourceLayer probe;
  for (const auto& feature : layer) {
    if (CollectLines(feature->GetGeometryRef(), "", probe)) return true;
  }
  return false;
}

// The layer the query names, else the first whose declared type is a line
// type, or whose type is unknown or generic and whose features include lines
// (for OpenStreetMap data, its "lines" layer).
OGRLayer* ChooseLayer(GDALDataset& dataset, const SourceQuery& query) {
  if (!query.layer.empty()) {
    if (OGRLayer* layer = dataset.GetLayerByName(query.layer.c_str())) return layer;
    std::string names;
    for (OGRLayer* layer : dataset.GetLayers())
      names += std::string(names.empty() ? "" : ", ") + layer->GetName();
    throw ImportError(query.source + " has no layer \"" + query.layer + "\" (its layers: " + names + ")");
  }
  if (EQUAL(dataset.GetDriver()->GetDescription(), "OSM")) {
    if (OGRLayer* lines = dataset.GetLayerByName("lines")) return lines;
  }
  for (OGRLayer* layer : dataset.GetLayers()) {
    const OGRwkbGeometryType type = wkbFlatten(layer->GetGeomType());
    if (IsLineType(type)) return layer;
    if ((type == wkbUnknown || type == wkbGeometryCollection) && HasLines(*layer)) return layer;
  }
  throw ImportError(query.source + " has no layer with lines");
}

// The index of the field that names roads, or -1 for none.
int NameFieldIndex(OGRLayer& layer, const SourceQuery& query) {
  OGRFeatureDefn* fields = layer.GetLayerDefn();
  if (query.nameField.empty()) return fields->GetFieldIndex("name");
  const int index = fields->GetFieldIndex(query.nameField.c_str());
  if (index < 0)
    throw ImportError("layer \"" + std::string(layer.GetName()) + "\" has no field \"" + query.nameField +
                      "\"");
  return index;
}

// Sets the attribute filter. Raises ImportError when OGR refuses it, at once
// or, as some drivers do, on the first read.
void SetWhere(OGRLayer& layer, const std::string& where) {
  CPLErrorReset();
  bool refused = layer.SetAttributeFilter(where.c_str()) != OGRERR_NONE;
  if (!refused) {
    layer.ResetReading();
    const OGRFeatureUniquePtr first(layer.GetNextFeature());
    refused = CPLGetLastErrorType() >= CE_Failure;
  }
  if (refused) throw ImportError("--where \"" + where + "\": " + LastGdalError("OGR cannot use this filter"));
}

}  // namespace

SourceLayer ReadSourceLines(const SourceQuery& query, Progress& progress) {
  CPLErrorReset();
  GDALDatasetUniquePtr dataset(
      GDALDataset::Open(query.source.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
  if (!dataset)
    throw ImportError("cannot open " + query.source + ": " + LastGdalError("not a vector source OGR reads"));
  OGRLayer* layer = ChooseLayer(*dataset, query);
  const int nameField = NameFieldIndex(*layer, query);
  if (query.hasBbox) layer->SetSpatialFilterRect(query.bbox[0], query.bbox[1], query.bbox[2], query.bbox[3]);
  if (!query.where.empty()) SetWhere(*layer, query.where);

  SourceLayer result;
  result.description = "layer \"" + std::string(layer->GetName()) + "\" of " + query.source + " (" +
                       dataset->GetDriver()->GetDescription() + ")";
  if (const OGRSpatialReference* srs = layer->GetSpatialRef()) {
    result.srs.reset(srs->Clone());
    result.srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  }
  const int64_t total = layer->GetFeatureCount(FALSE);
  layer->ResetReading();
  CPLErrorReset();
  for (const auto& feature : *layer) {
    const std::string name = nameField >= 0 && feature->IsFieldSetAndNotNull(nameField)
                                 ? feature->GetFieldAsString(nameField)
                                 : std::string();
    if (!CollectLines(feature->GetGeometryRef(), name, result)) ++result.withoutLines;
    progress.Update("reading features", ++result.features, total);
  }
  if (CPLGetLastErrorType() >= CE_Failure)
    throw ImportError("cannot read " + query.source + ": " + LastGdalError("reading failed"));
  return result;
}
