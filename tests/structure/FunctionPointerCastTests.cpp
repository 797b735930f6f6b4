// No function pointer of the product is made by a cast. On x86 a window, hook
// or enumeration procedure, or a COM method, declared without the platform's
// calling convention and cast to the platform's type corrupts the stack at its
// first call; the compiler catches that only where the function is passed as
// it is. So every source of the product and its tools is read, and a cast to
// a function-pointer type (by reinterpret_cast, static_cast, bit_cast or a
// C-style cast; to a platform type such as WNDPROC, to an alias of one of our
// own, or to a type written out) fails here with the file and the line. The
// conversions the platform makes unavoidable (an exported function's address,
// a window's procedure as a number, the code of a thunk) live in one header
// and nowhere else.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The one home of the unavoidable conversions.
constexpr const char* kConversionsHome = "toolkit/FunctionAddress.h";

// The platform's function-pointer types the product could meet.
const std::set<std::string>& PlatformFunctionTypes() {
  static const std::set<std::string> names = {
      "WNDPROC",
      "HOOKPROC",
      "DLGPROC",
      "TIMERPROC",
      "WNDENUMPROC",
      "FARPROC",
      "NEARPROC",
      "PROC",
      "LPTHREAD_START_ROUTINE",
      "PTHREAD_START_ROUTINE",
      "SUBCLASSPROC",
      "DLLGETVERSIONPROC",
      "MONITORENUMPROC",
      "PFNCALLBACK",
      "LPFNGETCLASSOBJECT",
  };
  return names;
}

// Comments and string literals blanked (line breaks kept), so that neither
// a comment about a cast nor a text that looks like one counts.
std::string CodeOnly(const std::string& text) {
  std::string code = text;
  enum { Code, Line, Block, String, Char } state = Code;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    const char next = i + 1 < code.size() ? code[i + 1] : '\0';
    switch (state) {
      case Code:
        if (c == '/' && next == '/')
          state = Line, code[i] = ' ';
        else if (c == '/' && next == '*')
          state = Block, code[i] = ' ';
        else if (c == '"')
          state = String;
        else if (c == '\'')
          state = Char;
        break;
      case Line:
        if (c == '\n')
          state = Code;
        else
          code[i] = ' ';
        break;
      case Block:
        if (c == '*' && next == '/')
          code[i] = code[i + 1] = ' ', ++i, state = Code;
        else if (c != '\n')
          code[i] = ' ';
        break;
      case String:
      case Char:
        if (c == '\\')
          code[i] = ' ', code[i + 1] = ' ', ++i;
        else if (c == (state == String ? '"' : '\''))
          state = Code;
        else if (c != '\n')
          code[i] = ' ';
        break;
    }
  }
  return code;
}

// Names the code declares as function-pointer types:
// `using T = R(CALLBACK*)(...)` and `typedef R (WINAPI* T)(...)`.
std::set<std::string> DeclaredFunctionTypes(const std::string& code) {
  static const std::regex alias(R"(using\s+(\w+)\s*=[^;]*\(\s*(?:\w+\s*)?\*\s*\)\s*\()");
  static const std::regex typedefed(R"(typedef[^;]*\(\s*(?:\w+\s*)?\*\s*(\w+)\s*\)\s*\()");
  std::set<std::string> names;
  for (const std::regex* pattern : {&alias, &typedefed})
    for (std::sregex_iterator it(code.begin(), code.end(), *pattern), end; it != end; ++it)
      names.insert((*it)[1].str());
  return names;
}

// Each cast to a function-pointer type, as "line: what".
std::string CastsToFunctionPointers(const std::string& text,
                                    const std::set<std::string>& functionTypes) {
  const std::string code = CodeOnly(text);
  std::string found;
  auto report = [&](std::size_t at, const std::string& what) {
    const auto line = 1 + std::count(code.begin(), code.begin() + static_cast<long>(at), '\n');
    found += std::to_string(line) + ": " + what + "\n";
  };
  // A named cast; its target is a named function type or one written out
  // with "(*)" or "(CALLBACK*)".
  static const std::regex named(
      R"(\b(reinterpret_cast|static_cast|const_cast|bit_cast)\s*<\s*([^;>]*?)\s*>\s*\()");
  static const std::regex writtenOut(R"(\(\s*(?:\w+\s*)?\*\s*\)\s*\()");
  for (std::sregex_iterator it(code.begin(), code.end(), named), end; it != end; ++it) {
    const std::string target = (*it)[2].str();
    const bool isFunctionType =
        functionTypes.count(target) > 0 || std::regex_search(target, writtenOut);
    if (isFunctionType) report(static_cast<std::size_t>(it->position()), (*it)[0].str());
  }
  // A C-style cast: a function type's name alone in parentheses before an
  // operand.
  static const std::regex cStyle(R"(\(\s*(\w+)\s*\)\s*[\w&(])");
  for (std::sregex_iterator it(code.begin(), code.end(), cStyle), end; it != end; ++it)
    if (functionTypes.count((*it)[1].str()))
      report(static_cast<std::size_t>(it->position()), (*it)[0].str());
  return found;
}

std::set<std::string> WithPlatformTypes(std::set<std::string> names) {
  names.insert(PlatformFunctionTypes().begin(), PlatformFunctionTypes().end());
  return names;
}

TEST(FunctionPointerCasts, EachKindOfCastToAFunctionTypeIsFound) {
  struct TCase {
    const char* Code;
    bool Cast;
  };
  const TCase cases[] = {
      {"auto p = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC));", true},
      {"auto p = (HOOKPROC)&Hook;", true},
      {"auto p = ( FARPROC ) address;", true},
      {"auto p = std::bit_cast<DLGPROC>(address);", true},
      {"using TEntry = HRESULT(WINAPI*)(int);\nauto e = reinterpret_cast<TEntry>(address);", true},
      {"typedef BOOL (CALLBACK* TEnum)(HWND, LPARAM);\nauto e = static_cast<TEnum>(p);", true},
      {"auto e = reinterpret_cast<LONG(NTAPI*)(ULONG)>(address);", true},
      {"auto e = reinterpret_cast<void (*)(int)>(address);", true},
      // Not casts to a function type: a procedure passed as it is, a cast of
      // data, a comment or text about a cast, a call of a function type's name.
      {"SetWindowsHookExW(WH_MOUSE, &Hook, nullptr, id);", false},
      {"auto* info = reinterpret_cast<MINMAXINFO*>(lParam);", false},
      {"// reinterpret_cast<WNDPROC>(old) is what this replaces", false},
      {"const char* text = \"(WNDPROC)old\";", false},
      {"/* (HOOKPROC)&Hook */ int x = (int)y;", false},
      {"WNDPROC old = WindowProcedureOf(window);", false},
  };
  for (const TCase& c : cases) {
    const std::string code = c.Code;
    const std::string casts =
        CastsToFunctionPointers(code, WithPlatformTypes(DeclaredFunctionTypes(CodeOnly(code))));
    EXPECT_EQ(!casts.empty(), c.Cast) << c.Code << "\n" << casts;
  }
}

TEST(FunctionPointerCasts, NoProductSourceCastsToAFunctionType) {
  const fs::path root = KORVEXA_SOURCE_DIR;
  struct TSource {
    std::string Path, Text;
  };
  std::vector<TSource> sources;
  for (const char* top : {"app", "browser", "core", "toolkit", "tools", "widgets"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
      const std::string extension = entry.path().extension().string();
      if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      sources.push_back(
          {entry.path().lexically_relative(root).generic_string(),
           std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())});
    }
  }
  ASSERT_GT(sources.size(), 100u) << "the product's sources were not found under " << root;
  // An alias declared in one file may be cast to in another.
  std::set<std::string> functionTypes = PlatformFunctionTypes();
  for (const TSource& source : sources) {
    const std::set<std::string> declared = DeclaredFunctionTypes(CodeOnly(source.Text));
    functionTypes.insert(declared.begin(), declared.end());
  }
  std::string found;
  bool homeRead = false;
  for (const TSource& source : sources) {
    if (source.Path == kConversionsHome) {
      homeRead = true;
      continue;
    }
    std::istringstream lines(CastsToFunctionPointers(source.Text, functionTypes));
    for (std::string line; std::getline(lines, line);) found += source.Path + ":" + line + "\n";
  }
  EXPECT_EQ(found, "");
  EXPECT_TRUE(homeRead) << kConversionsHome << " moved: the rule's one exception is stale";
}

}  // namespace
