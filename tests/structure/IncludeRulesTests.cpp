// The product's layers as its includes show them: each folder may include
// only the folders below it. Every product source, and every source of the
// tests' support library, is read and each of its includes is checked against
// the rules; a rule broken anywhere fails here with the file, the line and
// the rule.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct TInclude {
  std::string Header;  // as written, without its quotes or brackets
  bool Angled = false;
  int Line = 0;
};

std::vector<TInclude> ReadIncludes(std::istream& in) {
  static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::vector<TInclude> found;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::smatch match;
    if (std::regex_search(line, match, include))
      found.push_back({match[2].str(), match[1].str() == "<", number});
  }
  return found;
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

// The layer a file belongs to: its folder under the source root, one level
// deeper under browser/ and tests/, and for core's code-page back ends.
std::string LayerOf(const std::string& path) {
  for (const char* deep : {"browser/", "core/codepage/", "tests/"}) {
    if (StartsWith(path, deep)) {
      const std::string rest = path.substr(std::string(deep).size());
      if (std::string(deep) == "core/codepage/") return "core/codepage";
      return std::string(deep) + rest.substr(0, rest.find('/'));
    }
  }
  return path.substr(0, path.find('/'));
}

// What each layer may include of the product (quoted includes), by prefix.
const std::map<std::string, std::vector<std::string>>& Allowed() {
  static const std::map<std::string, std::vector<std::string>> allowed = {
      {"core", {"core/"}},
      {"core/codepage", {"core/", "toolkit/Win.h"}},
      {"toolkit", {"core/", "toolkit/"}},
      {"widgets", {"core/", "toolkit/", "widgets/"}},
      {"browser/activex", {"core/", "toolkit/", "browser/activex/"}},
      {"browser/control", {"core/", "toolkit/", "browser/activex/", "browser/control/"}},
      {"browser/dochost",
       {"core/", "toolkit/", "browser/activex/", "browser/control/", "browser/dochost/"}},
      {"browser/settings", {"core/", "toolkit/", "browser/settings/"}},
      {"browser/component", {"core/", "toolkit/", "browser/"}},
      {"app", {"core/", "toolkit/", "widgets/", "browser/", "app/"}},
      {"tools", {"core/", "toolkit/", "widgets/", "tools/"}},
      // Every test program links it: it leans on no test folder of its own.
      {"tests/support", {"core/", "toolkit/", "widgets/", "browser/", "app/", "tests/support/"}},
  };
  return allowed;
}

// The C++ standard library's headers are written without ".h"; whatever core
// includes in angle brackets with one is a platform's header.
bool IsPlatformHeader(const TInclude& include) {
  return include.Angled && include.Header.find('.') != std::string::npos;
}

// The rule a file's include breaks, or empty. `path` is relative to the
// source root, with forward slashes.
std::string BrokenRule(const std::string& path, const TInclude& include) {
  const std::string layer = LayerOf(path);
  auto rules = Allowed().find(layer);
  if (rules == Allowed().end()) return "no rules for the layer " + layer;
  if (layer == "core" && IsPlatformHeader(include))
    return "core includes no platform header outside its code-page back end";
  if (include.Angled) return {};
  // A program beside the shell includes its own folder's headers by name.
  if (layer == "tools" && include.Header.find('/') == std::string::npos) return {};
  for (const std::string& prefix : rules->second)
    if (StartsWith(include.Header, prefix)) return {};
  return layer + " may include only " + [&] {
    std::string list;
    for (const std::string& prefix : rules->second) list += (list.empty() ? "" : ", ") + prefix;
    return list;
  }();
}

std::string Check(const std::string& path, const std::string& text) {
  std::istringstream in(text);
  std::string broken;
  for (const TInclude& include : ReadIncludes(in))
    if (std::string rule = BrokenRule(path, include); !rule.empty())
      broken +=
          path + ":" + std::to_string(include.Line) + ": " + include.Header + ": " + rule + "\n";
  return broken;
}

TEST(IncludeRules, EachLayerIncludesOnlyTheLayersBelowIt) {
  struct TCase {
    const char* Path;
    const char* Text;
    bool Allowed;
  };
  const TCase cases[] = {
      {"core/Text.cpp", "#include \"core/Text.h\"\n#include <string>\n", true},
      {"core/Text.cpp", "#include <windows.h>\n", false},
      {"core/Text.cpp", "#include \"toolkit/Win.h\"\n", false},
      {"core/codepage/CodePageWin32.cpp", "#include \"toolkit/Win.h\"\n", true},
      {"core/codepage/CodePageWin32.cpp", "#include \"toolkit/Handles.h\"\n", false},
      {"toolkit/Control.cpp", "#include \"browser/activex/OleError.h\"\n", false},
      {"widgets/HotButton.cpp", "  #  include \"browser/component/WebHost.h\"\n", false},
      {"widgets/HotButton.cpp", "#include \"toolkit/Control.h\"\n#include <uxtheme.h>\n", true},
      {"browser/activex/ActiveXHost.cpp", "#include \"browser/dochost/WebHostCore.h\"\n", false},
      {"browser/activex/ActiveXHost.cpp", "#include \"browser/component/WebHost.h\"\n", false},
      {"browser/activex/ActiveXHost.cpp", "#include \"browser/settings/SettingsJournal.h\"\n",
       false},
      {"browser/activex/ActiveXHost.cpp", "#include \"browser/control/BrowserControl.h\"\n", false},
      {"browser/control/BrowserControl.h", "#include \"browser/activex/ActiveXHost.h\"\n", true},
      {"browser/dochost/WebHostCore.h", "#include \"browser/component/WebHost.h\"\n", false},
      {"browser/settings/ProxySettings.cpp", "#include \"browser/dochost/WebHostCore.h\"\n", false},
      {"browser/component/WebHost.h", "#include \"browser/settings/SettingsJournal.h\"\n", true},
      {"browser/component/WebHost.h", "#include \"app/MainForm.h\"\n", false},
      {"tools/launcherbar/Main.cpp", "#include \"LauncherBar.h\"\n#include \"core/Text.h\"\n",
       true},
      {"tools/launcherbar/Main.cpp", "#include \"app/MainForm.h\"\n", false},
      {"app/MainForm.cpp", "#include \"browser/component/WebHost.h\"\n", true},
      {"tests/support/DoubleHostTest.h",
       "#include \"browser/control/BrowserControl.h\"\n#include \"tests/support/Pump.h\"\n", true},
      {"tests/support/ShellHarness.cpp", "#include \"tests/e2e/SettingsHolderProcess.h\"\n", false},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(Check(c.Path, c.Text).empty(), c.Allowed) << c.Path << " with " << c.Text;
}

TEST(IncludeRules, EveryProductAndTestSupportSourceKeepsTheLayering) {
  const fs::path root = KORVEXA_SOURCE_DIR;
  std::string broken;
  std::map<std::string, int> filesPerLayer;
  for (const char* top :
       {"app", "browser", "core", "toolkit", "tools", "widgets", "tests/support"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
      const std::string extension = entry.path().extension().string();
      if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
      const std::string path = entry.path().lexically_relative(root).generic_string();
      std::ifstream in(entry.path(), std::ios::binary);
      std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      ++filesPerLayer[LayerOf(path)];
      broken += Check(path, text);
    }
  }
  EXPECT_EQ(broken, "");
  // A layer whose folder was renamed or emptied would pass unread.
  for (const auto& [layer, rules] : Allowed())
    EXPECT_GT(filesPerLayer[layer], 0) << "no sources read in " << layer;
  for (const auto& [layer, count] : filesPerLayer)
    EXPECT_TRUE(Allowed().count(layer)) << "sources in " << layer << " with no rules";
}

}  // namespace
