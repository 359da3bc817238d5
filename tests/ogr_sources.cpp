#include "tests/ogr_sources.h"

#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

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
  if (epsg) {
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

std::vector<ReadBackFeature> ReadOgrLayer(const std::string& path) {
  GDALAllRegister();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr));
  if (!dataset || dataset->GetLayerCount() == 0) throw std::runtime_error("OGR cannot read " + path);
  std::vector<ReadBackFeature> features;
  for (const auto& feature : *dataset->GetLayer(0)) {
    ReadBackFeature f;
    if (const OGRGeometry* geometry = feature->GetGeometryRef()) f.wkt = geometry->exportToWkt();
    for (int i = 0; i < feature->GetFieldCount(); ++i)
      f.fields[feature->GetFieldDefnRef(i)->GetNameRef()] = feature->GetFieldAsString(i);
    features.push_back(f);
  }
  return features;
}
