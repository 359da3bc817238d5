// The README and the pages in docs/: links that lead somewhere, commands
// that exist, and a command-line page that names the options the program
// has.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSource = RUVEL_SOURCE_DIR;

// README.md, then every page in docs/, in name order.
std::vector<fs::path> Pages() {
  std::vector<fs::path> pages;
  for (const auto& entry : fs::directory_iterator(kSource / "docs"))
    if (entry.path().extension() == ".md") pages.push_back(entry.path());
  std::sort(pages.begin(), pages.end());
  pages.insert(pages.begin(), kSource / "README.md");
  return pages;
}

// The anchor a Markdown heading gets on the usual hosts: lower case, blanks
// as hyphens, punctuation other than hyphens and underscores dropped.
std::string AnchorOf(const std::string& heading) {
  std::string anchor;
  for (const unsigned char c : heading) {
    if (std::isalnum(c) || c == '-' || c == '_')
      anchor += static_cast<char>(std::tolower(c));
    else if (c == ' ')
      anchor += '-';
  }
  return anchor;
}

// The anchors of a page's headings.
std::set<std::string> AnchorsOf(const fs::path& page) {
  std::set<std::string> anchors;
  const std::string text = ReadWhole(page.string());
  const std::regex heading("(^|\n)#+ ([^\n]*)");
  for (std::sregex_iterator it(text.begin(), text.end(), heading), end; it != end; ++it)
    anchors.insert(AnchorOf((*it)[2].str()));
  return anchors;
}

// The targets of a page's Markdown links and pictures, other than web
// addresses.
std::vector<std::string> LinksOf(const fs::path& page) {
  std::vector<std::string> links;
  const std::string text = ReadWhole(page.string());
  const std::regex link("\\]\\(([^)\\s]+)\\)");
  for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
    const std::string target = (*it)[1].str();
    if (target.rfind("http://", 0) != 0 && target.rfind("https://", 0) != 0) links.push_back(target);
  }
  return links;
}

}  // namespace

// Every link names a file that exists and, after a '#', a heading of that
// page. A docs page links only to files beside it, as the package installs
// them side by side.
TEST(DocumentationPages, LinksLeadToFilesAndHeadingsThatExist) {
  for (const fs::path& page : Pages()) {
    const bool inDocs = page.parent_path().filename() == "docs";
    for (const std::string& link : LinksOf(page)) {
      SCOPED_TRACE(page.filename().string() + ": " + link);
      const size_t hash = link.find('#');
      const std::string file = link.substr(0, hash);
      const fs::path target = file.empty() ? page : page.parent_path() / file;
      ASSERT_TRUE(fs::is_regular_file(target));
      EXPECT_TRUE(!inDocs || file.find('/') == std::string::npos);
      EXPECT_TRUE(hash == std::string::npos || AnchorsOf(target).count(link.substr(hash + 1)) == 1);
    }
  }
}

// The README's scripts exist and can be run.
TEST(DocumentationPages, ReadmeCommandsExist) {
  const std::string readme = ReadWhole((kSource / "README.md").string());
  const std::regex command("(scripts/[a-z_-]+\\.sh|\\.ci/run)");
  int found = 0;
  for (std::sregex_iterator it(readme.begin(), readme.end(), command), end; it != end; ++it, ++found) {
    const fs::path script = kSource / (*it)[1].str();
    SCOPED_TRACE(script.string());
    EXPECT_TRUE(fs::is_regular_file(script));
    EXPECT_NE(fs::status(script).permissions() & fs::perms::owner_exec, fs::perms::none);
  }
  EXPECT_GE(found, 3);  // run, test and .ci/run at least
}

// The command-line page names exactly the options ruvel-route --help does.
TEST(DocumentationPages, CommandLinePageNamesTheOptionsOfHelp) {
  const std::string options = " | grep -o -e '--[a-z][a-z-]*' | LC_ALL=C sort -u";
  EXPECT_EQ(RunCommand("cat '" + (kSource / "docs/command-line.md").string() + "'" + options).out,
            RunCommand("'" + kRuvelRoute + "' --help" + options).out);
}
