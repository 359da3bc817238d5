#include "import/source_reader.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "import/import_error.h"
#include "import/import_request.h"
#include "import/progress.h"
#include "import/safe_text.h"
#include "import/source_files.h"

namespace {

// The vector formats that hold road data; no other driver (VRT above all,
// which can point anywhere) opens a source.
const char* const kRoadDrivers[] = {
    "GPKG",        "ESRI Shapefile", "GeoJSON", "GeoJSONSeq", "OSM", "MapInfo File",
    "CSV",         "FlatGeobuf",     "GML",     "KML",        "GPX", "SQLite",
    "OpenFileGDB", nullptr};
// GML would otherwise download the schemas a file names, and write a .gfs
// file beside a source that has none.
const char* const kOpenOptions[] = {"DOWNLOAD_SCHEMA=NO", "WRITE_GFS=NO", nullptr};

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
// linear) to lines, with the traits of its road, of the given feature.
// Points and surfaces add nothing. Returns whether the geometry held any
// line.
bool CollectLines(const OGRGeometry* geometry, const RoadTraits& traits, int64_t feature,
                  SourceLayer& layer) {
  if (!geometry) return false;
  const OGRwkbGeometryType type = wkbFlatten(geometry->getGeometryType());
  if (OGR_GT_IsSubClassOf(type, wkbGeometryCollection)) {
    bool any = false;
    for (const OGRGeometry* part : *geometry->toGeometryCollection())
      any |= CollectLines(part, traits, feature, layer);
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
  out.traits = traits;
  out.feature = feature;
  out.x.resize(line->getNumPoints());
  out.y.resize(line->getNumPoints());
  line->getPoints(out.x.data(), sizeof(double), out.y.data(), sizeof(double));
  return true;
}

// Whether any feature of the layer has a line.
bool HasLines(OGRLayer& layer) {
  SourceLayer probe;
  for (const auto& feature : layer) {
    if (CollectLines(feature->GetGeometryRef(), RoadTraits(), 0, probe)) return true;
  }
  return false;
}

// Whether the dataset was opened by GDAL's OpenStreetMap driver.
bool IsOpenStreetMap(GDALDataset& dataset) { return EQUAL(dataset.GetDriver()->GetDescription(), "OSM"); }

// The layer the request names, else, for OpenStreetMap data, its "lines"
// layer, else the first whose declared type is a line type, unknown or
// generic, and whose features include lines.
OGRLayer* ChooseLayer(GDALDataset& dataset, const RuvelImportRequest& request) {
  const std::string wanted = OptionText(request.layer);
  if (!wanted.empty()) {
    if (OGRLayer* layer = dataset.GetLayerByName(wanted.c_str())) return layer;
    std::string names;
    for (OGRLayer* layer : dataset.GetLayers())
      names += std::string(names.empty() ? "" : ", ") + layer->GetName();
    throw ImportError(PrintableText(request.source) + " has no layer \"" + PrintableText(wanted) +
                      "\" (its layers: " + PrintableText(names) + ")");
  }
  if (IsOpenStreetMap(dataset)) {
    if (OGRLayer* lines = dataset.GetLayerByName("lines")) return lines;
  }
  for (OGRLayer* layer : dataset.GetLayers()) {
    const OGRwkbGeometryType type = wkbFlatten(layer->GetGeomType());
    if ((IsLineType(type) || type == wkbUnknown || type == wkbGeometryCollection) && HasLines(*layer))
      return layer;
  }
  throw ImportError(PrintableText(request.source) + " has no layer with lines");
}

// The index of the field that names roads, or -1 for none.
int NameFieldIndex(OGRLayer& layer, const RuvelImportRequest& request) {
  OGRFeatureDefn* fields = layer.GetLayerDefn();
  const std::string nameField = OptionText(request.nameField);
  if (nameField.empty()) return fields->GetFieldIndex("name");
  const int index = fields->GetFieldIndex(nameField.c_str());
  if (index < 0)
    throw ImportError("layer \"" + PrintableText(layer.GetName()) + "\" has no field \"" +
                      PrintableText(nameField) + "\"");
  return index;
}

// The fields of a layer that a feature's tags are read from, for the rules.
class TagFields {
 public:
  // Raises ImportError when the layer lacks a field the rules need.
  TagFields(OGRLayer& layer, const RoadRules& rules) {
    OGRFeatureDefn* fields = layer.GetLayerDefn();
    for (const std::string& field : rules.RequiredFields()) {
      if (fields->GetFieldIndex(field.c_str()) >= 0) continue;
      std::string why =
          "layer \"" + PrintableText(layer.GetName()) + "\" has no field \"" + PrintableText(field) + "\"";
      if (rules.ReadsOsmTags())
        why += ": the " + std::string(rules.ProfileName()) +
               " profile reads OpenStreetMap tags; give --profile all to keep every line of other data";
      throw ImportError(why);
    }
    for (const std::string& key : rules.Keys()) {
      const int index = fields->GetFieldIndex(key.c_str());
      if (index >= 0) named_.emplace_back(key, index);
    }
    otherTags_ = rules.ReadsOsmTags() ? fields->GetFieldIndex("other_tags") : -1;
  }

  // The feature's tags.
  void Read(OGRFeature& feature, RoadTags& tags) const {
    tags.Clear();
    for (const auto& [key, index] : named_)
      if (feature.IsFieldSetAndNotNull(index)) tags.Add(key, feature.GetFieldAsString(index));
    if (otherTags_ >= 0 && feature.IsFieldSetAndNotNull(otherTags_))
      tags.AddOtherTags(feature.GetFieldAsString(otherTags_));
  }

 private:
  std::vector<std::pair<std::string, int>> named_;
  int otherTags_ = -1;
};

// The coordinate system a user gave, read without network access.
std::shared_ptr<OGRSpatialReference> GivenSystem(const std::string& text) {
  auto srs = std::make_shared<OGRSpatialReference>();
  const char* const options[] = {"ALLOW_NETWORK_ACCESS=NO", nullptr};
  CPLErrorReset();
  if (srs->SetFromUserInput(text.c_str(), options) != OGRERR_NONE)
    throw ImportError("--source-crs \"" + PrintableText(text) +
                      "\": " + PrintableText(LastGdalError("not a coordinate system OGR knows")));
  srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

// The layer's own coordinate system, or null.
std::shared_ptr<OGRSpatialReference> LayerSystem(OGRLayer& layer) {
  const OGRSpatialReference* srs = layer.GetSpatialRef();
  if (!srs) return nullptr;
  std::shared_ptr<OGRSpatialReference> copy(srs->Clone());
  copy->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return copy;
}

// Opens the source (see ReadSourceLines), having checked that it is a local
// file or folder and that none of its files is to be written.
GDALDatasetUniquePtr OpenSource(const RuvelImportRequest& request) {
  const std::string source = OptionText(request.source);
  const std::vector<std::string> outputs(std::begin(request.outputs), std::end(request.outputs));
  CheckSourcePath(source);
  CheckPlainTables(source);
  CheckOutputsApart(outputs, {source}, source);
  CPLErrorReset();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(source.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY,
                                                 kRoadDrivers, kOpenOptions, nullptr));
  if (!dataset) {
    throw ImportError(
        "cannot open " + PrintableText(source) + ": " +
        PrintableText(LastGdalError("not a source OGR reads")) +
        " (the importer reads GeoPackage, Shapefile, GeoJSON, GeoJSONSeq, OpenStreetMap, MapInfo, "
        "CSV, FlatGeobuf, GML, KML, GPX, SQLite and OpenFileGDB)");
  }
  // The files the driver reads, not every file that shares the source's name.
  const CPLStringList datasetFiles(dataset->GetFileList());
  std::vector<std::string> names;
  for (int i = 0; i < datasetFiles.size(); ++i) names.push_back(datasetFiles[i]);
  CheckOutputsApart(outputs, names, source);
  return dataset;
}

// The layer's extent without filters, as text.
std::string WholeExtent(OGRLayer& layer) {
  layer.SetSpatialFilter(nullptr);
  OGREnvelope box;
  if (layer.GetExtent(&box, TRUE) != OGRERR_NONE) return "unknown";
  char text[160];
  std::snprintf(text, sizeof text, "%.9g, %.9g, %.9g, %.9g", box.MinX, box.MinY, box.MaxX, box.MaxY);
  return text;
}

// Counts the lines read so far and raises ImportError as soon as they pass
// what a map holds: each line with two or more vertices gives at least one
// segment, and the map keeps each of its vertices.
class LineBudget {
 public:
  explicit LineBudget(const MapLimits& limits) : limits_(limits) {}

  void Add(const SourceLayer& layer, size_t firstNew) {
    for (size_t i = firstNew; i < layer.lines.size(); ++i) {
      if (layer.lines[i].x.size() < 2) continue;
      ++lines_;
      vertices_ += static_cast<int64_t>(layer.lines[i].x.size());
    }
    if (lines_ <= limits_.segments && vertices_ <= limits_.vertices) return;
    throw ImportError("the network does not fit a Ruvel map: its first " + std::to_string(layer.features) +
                      " features already give " + std::to_string(lines_) + " lines of " +
                      std::to_string(vertices_) + " vertices (a map holds at most " +
                      std::to_string(limits_.segments) + " segments and " + std::to_string(limits_.vertices) +
                      " vertices); choose a part of it with --bbox or --where. Nothing was written");
  }

 private:
  MapLimits limits_;
  int64_t lines_ = 0, vertices_ = 0;
};

}  // namespace

SourceLayer ReadSourceLines(const RuvelImportRequest& request, const MapLimits& limits, Progress& progress) {
  std::shared_ptr<OGRSpatialReference> given;
  const std::string sourceCrs = OptionText(request.sourceCrs), where = OptionText(request.where);
  if (!sourceCrs.empty()) given = GivenSystem(sourceCrs);
  const GDALDatasetUniquePtr dataset = OpenSource(request);
  OGRLayer* layer = ChooseLayer(*dataset, request);
  const int nameField = NameFieldIndex(*layer, request);
  const RoadRules rules(request, IsOpenStreetMap(*dataset));
  const TagFields tagFields(*layer, rules);
  if (request.hasBbox)
    layer->SetSpatialFilterRect(request.bbox[0], request.bbox[1], request.bbox[2], request.bbox[3]);
  CPLErrorReset();
  if (!where.empty() && layer->SetAttributeFilter(where.c_str()) != OGRERR_NONE)
    throw ImportError("--where \"" + PrintableText(where) +
                      "\": " + PrintableText(LastGdalError("OGR cannot use this filter")));

  SourceLayer result;
  result.description = "layer \"" + PrintableText(layer->GetName()) + "\" of " +
                       PrintableText(request.source) + " (" + dataset->GetDriver()->GetDescription() + ")";
  result.srs = given ? given : LayerSystem(*layer);
  result.rules = rules;
  const int64_t total = layer->GetFeatureCount(FALSE);
  LineBudget budget(limits);
  layer->ResetReading();
  CPLErrorReset();
  // Some drivers refuse a filter only on the first read: an error before any
  // feature is the filter's.
  RoadTags tags;
  for (const auto& feature : *layer) {
    RoadTraits traits;
    if (nameField >= 0 && feature->IsFieldSetAndNotNull(nameField))
      traits.name = CleanName(feature->GetFieldAsString(nameField));
    tagFields.Read(*feature, tags);
    bool tookDefault = false;
    const bool kept = rules.Judge(tags, traits, tookDefault);
    const size_t before = result.lines.size();
    if (!CollectLines(feature->GetGeometryRef(), traits, feature->GetFID(), result)) ++result.withoutLines;
    const auto added = static_cast<int64_t>(result.lines.size() - before);
    if (!kept) {
      result.leftOut += added;
      result.lines.resize(before);
    } else if (tookDefault) {
      result.defaultSpeed += added;
    }
    ++result.features;
    budget.Add(result, before);
    progress.Update("reading features", result.features, total);
  }
  if (CPLGetLastErrorType() >= CE_Failure) {
    const std::string reason = PrintableText(LastGdalError("reading failed"));
    if (result.features == 0 && !where.empty())
      throw ImportError("--where \"" + PrintableText(where) + "\": " + reason);
    throw ImportError("cannot read " + PrintableText(request.source) + ": " + reason);
  }
  if (request.hasBbox && result.lines.empty()) result.extent = WholeExtent(*layer);
  return result;
}
