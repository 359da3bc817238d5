#include "tests/osm_sources.h"

#include <cstdio>
#include <osmium/io/pbf_output.hpp>
#include <osmium/io/reader.hpp>
#include <osmium/io/writer.hpp>
#include <osmium/io/xml_input.hpp>
#include <sstream>

namespace {

// The text as an XML attribute's value.
std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text)
    out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '"' ? "&quot;" : std::string(1, c);
  return out;
}

std::string Degrees(double origin, const std::string& thousandths) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7f", origin + std::stod(thousandths) / 1000);
  return text;
}

// The element of one item of OsmXml's compact text.
std::string Element(const std::string& item) {
  std::istringstream words(item);
  std::string head, word, children, x;
  words >> head;
  const char kind = head[0];
  const char* name = kind == 'n' ? "node" : kind == 'w' ? "way" : "relation";
  std::string element = std::string("<") + name + " id=\"" + head.substr(1) + "\" version=\"1\"";
  while (words >> word) {
    const size_t equals = word.find('='), colon = word.find(':');
    if (equals != std::string::npos) {
      children += "<tag k=\"" + Escaped(word.substr(0, equals)) + "\" v=\"" +
                  Escaped(word.substr(equals + 1)) + "\"/>";
    } else if (kind == 'r') {
      children += std::string("<member type=\"") + (word[colon + 1] == 'n' ? "node" : "way") + "\" ref=\"" +
                  word.substr(colon + 2) + "\" role=\"" + word.substr(0, colon) + "\"/>";
    } else if (kind == 'w') {
      children += "<nd ref=\"" + word + "\"/>";
    } else if (x.empty()) {
      x = word;
    } else {
      element += " lat=\"" + Degrees(43.73, word) + "\" lon=\"" + Degrees(7.42, x) + "\"";
    }
  }
  if (kind == 'r') children += "<tag k=\"type\" v=\"restriction\"/>";
  return element + ">" + children + "</" + name + ">\n";
}

}  // namespace

std::string OsmXml(const std::string& items) {
  std::string xml = "<?xml version=\"1.0\"?>\n<osm version=\"0.6\" generator=\"test\">\n";
  std::istringstream list(items);
  for (std::string item; std::getline(list, item, '|');)
    if (item.find_first_not_of(' ') != std::string::npos) xml += Element(item);
  return xml + "</osm>\n";
}

void WriteOsmPbf(const std::string& xmlPath, const std::string& pbfPath) {
  osmium::io::Reader reader{osmium::io::File(xmlPath, "osm")};
  osmium::io::Writer writer(osmium::io::File(pbfPath, "pbf"), reader.header(), osmium::io::overwrite::allow);
  while (osmium::memory::Buffer buffer = reader.read()) writer(std::move(buffer));
  writer.close();
  reader.close();
}
