// Native (non-Windows) conversions through iconv's CP936 tables; the Windows
// build uses the platform's own code page 936 instead (core/codepage/CodePageWin32.cpp).
#include "core/CodePage.h"

#include <cerrno>
#include <iconv.h>

namespace kvx {
namespace {

class TIconv {
 public:
  TIconv(const char* to, const char* from) : FHandle(iconv_open(to, from)) {}
  ~TIconv() {
    if (FHandle != reinterpret_cast<iconv_t>(-1)) iconv_close(FHandle);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  bool Valid() const { return FHandle != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return FHandle; }

 private:
  iconv_t FHandle;
};

// Converts in; on an invalid or incomplete input sequence emits `replacement`
// (already in the target encoding) and skips `skip` input bytes.
std::string Convert(const char* to, const char* from, std::string_view in,
                    std::string_view replacement, size_t skip) {
  TIconv cd(to, from);
  if (!cd.Valid()) return {};
  std::string out;
  out.reserve(in.size() * 2 + 8);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buffer[4096];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(cd.Get(), &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      out.append(replacement);
      size_t n = skip < srcLeft ? skip : srcLeft;
      src += n;
      srcLeft -= n;
      iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

}  // namespace

std::wstring GbkToWide(std::string_view gbk) {
  const wchar_t replacement = 0xFFFD;
  std::string bytes =
      Convert("WCHAR_T", "CP936", gbk,
              std::string_view(reinterpret_cast<const char*>(&replacement), sizeof replacement), 1);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                      bytes.size() / sizeof(wchar_t));
}

std::string WideToGbk(std::wstring_view wide) {
  return Convert(
      "CP936", "WCHAR_T",
      std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t)),
      "?", sizeof(wchar_t));
}

}  // namespace kvx
