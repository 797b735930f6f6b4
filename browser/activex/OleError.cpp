#include "toolkit/Win.h"

#include "browser/activex/OleError.h"

#include "core/CodePage.h"
#include "toolkit/Handles.h"

#include <wrl/client.h>

#include <cstdio>

namespace kvx {

std::wstring TrimDescription(std::wstring_view text) {
  size_t end = text.size();
  while (end > 0 && (text[end - 1] <= L' ' || text[end - 1] == L'.')) --end;
  return std::wstring(text.substr(0, end));
}

std::string OleErrorMessage(HRESULT errorCode) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(errorCode), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (buffer) {
    text = TrimDescription(std::wstring_view(buffer, length));
    LocalFree(buffer);
  }
  if (!text.empty()) return WideToGbk(text);
  char fallback[32];
  std::snprintf(fallback, sizeof fallback, "OLE error %.8x", static_cast<unsigned>(errorCode));
  return fallback;
}

EOleSysError::EOleSysError(HRESULT errorCode) : EOleError(errorCode, OleErrorMessage(errorCode)) {}

EOleException::EOleException(HRESULT errorCode, std::string_view description, std::wstring source,
                             std::wstring helpFile, DWORD helpContext)
    : EOleError(errorCode, std::string(description)),
      FSource(std::move(source)),
      FHelpFile(std::move(helpFile)),
      FHelpContext(helpContext) {}

void OleError(HRESULT errorCode) {
  throw EOleSysError(errorCode);
}

namespace {

std::wstring BstrText(BSTR text) {
  return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

}  // namespace

void OleCallError(HRESULT errorCode) {
  IErrorInfo* raw = nullptr;
  if (GetErrorInfo(0, &raw) == S_OK && raw) {
    Microsoft::WRL::ComPtr<IErrorInfo> info = AdoptReference(raw);
    TUniqueBstr description, source, helpFile;
    DWORD helpContext = 0;
    info->GetDescription(description.Put());
    std::wstring text = TrimDescription(BstrText(description.Get()));
    if (!text.empty()) {
      info->GetSource(source.Put());
      info->GetHelpFile(helpFile.Put());
      info->GetHelpContext(&helpContext);
      throw EOleException(errorCode, WideToGbk(text), BstrText(source.Get()),
                          BstrText(helpFile.Get()), helpContext);
    }
  }
  OleError(errorCode);
}

void OleExceptionError(HRESULT errorCode, EXCEPINFO& info) {
  // A deferred fill-in is allowed by the protocol.
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  TUniqueBstr description(info.bstrDescription), source(info.bstrSource),
      helpFile(info.bstrHelpFile);
  info.bstrDescription = info.bstrSource = info.bstrHelpFile = nullptr;
  if (info.scode) errorCode = info.scode;
  std::wstring text = TrimDescription(BstrText(description.Get()));
  if (text.empty()) OleError(errorCode);
  throw EOleException(errorCode, WideToGbk(text), BstrText(source.Get()), BstrText(helpFile.Get()),
                      info.dwHelpContext);
}

}  // namespace kvx
