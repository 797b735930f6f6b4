// The HTML content of the browser host component: its HTMLCode lines, opened
// as an address or loaded into the document as its text, and the blank page.
#include "toolkit/Win.h"

#include "browser/component/WebHost.h"

#include "browser/activex/OleError.h"
#include "core/CodePage.h"
#include "core/Text.h"

#include <string>
#include <string_view>

using Microsoft::WRL::ComPtr;

namespace kvx {
namespace {

// A single line of HTML text that starts like this is an address.
bool StartsLikeLocation(const std::string& line) {
  const std::string start = AsciiUpperCase(std::string_view(line).substr(0, 4));
  return start == "HTTP" || start == "WWW." || start == "FTP:" || start == "FILE";
}

bool IsDirectory(const std::wstring& path) noexcept {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void TWebHost::ShowBlankPage() {
  Navigate(L"about:blank");
}

void TWebHost::SetHTMLCode(const std::vector<std::string>& lines) {
  FHTMLCode = lines;
  HtmlCodeChanged();
}

void TWebHost::HtmlCodeChanged() {
  if (Designing()) return;
  if (FHTMLCode.size() == 1 && StartsLikeLocation(FHTMLCode.front())) {
    OpenLocation(FHTMLCode.front());
  } else {
    LoadHtmlLines(FHTMLCode);
  }
}

void TWebHost::OpenLocation(const std::string& location) {
  const std::wstring wide = GbkToWide(location);
  if (IsDirectory(wide)) {
    Navigate(L"file:///" + wide);
    return;
  }
  if (TrimBlanks(location).empty()) return;
  TVariant url(wide);
  TVariant flags(0), target(0), postData(0), headers(0);
  Navigate2(url.Get(), flags.Get(), target.Get(), postData.Get(), headers.Get());
}

HRESULT TWebHost::LoadHtmlLines(const std::vector<std::string>& lines) {
  try {
    ComPtr<IStream> stream;
    OleCheck(CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    for (const std::string& line : lines) {
      const std::string text = line + "\r\n";
      OleCheck(stream->Write(text.data(), static_cast<ULONG>(text.size()), nullptr));
    }
    return LoadHtmlStream(stream.Get());
  } catch (...) {
    return 1;
  }
}

HRESULT TWebHost::LoadHtmlStream(IStream* stream) {
  try {
    ComPtr<IDispatch> document = Document();
    if (!document) {
      // The blank page comes later: a load before it has no document to go to.
      ShowBlankPage();
      document = Document();
    }
    ComPtr<IPersistStreamInit> persist;
    if (!stream || !document || FAILED(document.As(&persist)) || !persist) return 1;
    OleCheck(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr));
    return persist->Load(stream);
  } catch (...) {
    return 1;
  }
}

}  // namespace kvx
