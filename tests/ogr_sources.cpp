#include "tests/ogr_sources.h"

#include <cpl_string.h>
#include <gdal_priv.h>
#include <geodesic.h>
#include <ogrsf_frmts.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>

void WriteOgrSource(const std::string& path, const std::string& driverName, int epsg,
                    const std::vector<SourceFeature>& features,
                    const std::vector<std::string>& creationOptions) {
  GDALAllRegister();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName.c_str());
  if (!driver) throw std::runtime_error("no OGR driver " + driverName);
  CPLStringList options;
  for (const std::string& option : creationOptions) options.AddString(option.c_str());
  GDALDatasetUniquePtr dataset(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, options.List()));
  if (!dataset) throw std::runtime_error("cannot create " + path);
  OGRSpatialReference srs;
  if (epsg == kLocalMetres) {
    srs.SetFromUserInput("LOCAL_CS[\"site\",UNIT[\"metre\",1]]");
  } else if (epsg) {
    srs.importFromEPSG(epsg);
    srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  }
  OGRLayer* layer = dataset->CreateLayer("roads", epsg ? &srs : nullptr, wkbUnknown, nullptr);
  if (!layer) throw std::runtime_error("cannot create a layer in " + path);
  OGRFieldDefn name("name", OFTString);
  layer->CreateField(&name);
  for (const SourceFeature& f : features) {
    OGRFeature feature(layer->GetLayerDefn());
    feature.SetField("name", f.name.c_str());
    OGRGeometry* geometry = nullptr;
    if (!f.wkt.empty() && OGRGeometryFactory::createFromWkt(f.wkt.c_str(), nullptr, &geometry) != OGRERR_NONE)
      throw std::runtime_error("bad WKT " + f.wkt);
    feature.SetGeometryDirectly(geometry);
    if (layer->CreateFeature(&feature) != OGRERR_NONE) throw std::runtime_error("cannot write a feature");
  }
}

std::vector<ReadBackFeature> ReadOgrLayer(const std::string& path, const std::string& layerName) {
  GDALAllRegister();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr));
  if (!dataset || dataset->GetLayerCount() == 0) throw std::runtime_error("OGR cannot read " + path);
  OGRLayer* layer = layerName.empty() ? dataset->GetLayer(0) : dataset->GetLayerByName(layerName.c_str());
  if (!layer) throw std::runtime_error(path + " has no layer " + layerName);
  std::vector<ReadBackFeature> features;
  for (const auto& feature : *layer) {
    ReadBackFeature f;
    if (const OGRGeometry* geometry = feature->GetGeometryRef()) f.wkt = geometry->exportToWkt();
    for (int i = 0; i < feature->GetFieldCount(); ++i)
      f.fields[feature->GetFieldDefnRef(i)->GetNameRef()] = feature->GetFieldAsString(i);
    features.push_back(f);
  }
  return features;
}

std::string LineInSystem(const std::vector<LonLat>& positions, int epsg) {
  OGRSpatialReference wgs84, target;
  wgs84.importFromEPSG(4326);
  target.importFromEPSG(epsg);
  wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  target.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> transform(OGRCreateCoordinateTransformation(&wgs84, &target));
  std::string wkt = "LINESTRING (";
  for (const LonLat& p : positions) {
    double x = p.lon, y = p.lat;
    if (!transform || !transform->Transform(1, &x, &y)) throw std::runtime_error("cannot transform");
    char text[80];
    std::snprintf(text, sizeof text, "%s%.12g %.12g", &p == &positions[0] ? "" : ",", x, y);
    wkt += text;
  }
  return wkt + ")";
}

std::vector<LonLat> PositionsOf(const std::string& wkt) {
  std::vector<LonLat> positions;
  const size_t open = wkt.find('(');
  std::istringstream in(wkt.substr(open + 1));
  LonLat p{};
  char separator = 0;
  while (in >> p.lon >> p.lat) {
    positions.push_back(p);
    if (!(in >> separator) || separator != ',') break;
  }
  return positions;
}

double GeodesicMetres(LonLat a, LonLat b) {
  geod_geodesic ellipsoid;
  geod_init(&ellipsoid, 6378137.0, 1 / 298.257223563);
  double metres = 0;
  geod_inverse(&ellipsoid, a.lat, a.lon, b.lat, b.lon, &metres, nullptr, nullptr);
  return metres;
}

std::vector<LonLat> MapJunctionsInWgs84(const std::string& mifPath) {
  GDALAllRegister();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(mifPath.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr));
  if (!dataset || dataset->GetLayerCount() == 0) throw std::runtime_error("OGR cannot read " + mifPath);
  OGRLayer* layer = dataset->GetLayer(0);
  OGRSpatialReference wgs84;
  wgs84.importFromEPSG(4326);
  wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  if (!layer->GetSpatialRef()) throw std::runtime_error(mifPath + " has no coordinate system");
  OGRSpatialReference map(*layer->GetSpatialRef());
  map.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> transform(OGRCreateCoordinateTransformation(&map, &wgs84));
  std::vector<LonLat> junctions;
  for (const auto& feature : *layer) {
    const OGRGeometry* geometry = feature->GetGeometryRef();
    if (!geometry || wkbFlatten(geometry->getGeometryType()) != wkbPoint) continue;
    double x = geometry->toPoint()->getX(), y = geometry->toPoint()->getY();
    if (!transform || !transform->Transform(1, &x, &y)) throw std::runtime_error("cannot transform");
    junctions.push_back({x, y});
  }
  return junctions;
}
