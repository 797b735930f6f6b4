// The ambient properties the control reads from its site: the download
// flags, the user agent and the user mode of the document host, the
// standard ones of the ActiveX host, then whatever OnInvoke answers.
#include "toolkit/Win.h"

#include "browser/dochost/WebHostCore.h"

#include "browser/activex/OleError.h"
#include "core/CodePage.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <typeinfo>

#if __has_include(<cxxabi.h>)
#include <cxxabi.h>
#endif

using Microsoft::WRL::ComPtr;

namespace kvx {
namespace {

// The answer to a failed ambient call reports this code to the control.
constexpr WORD kAmbientErrorCode = 9999;

// The class name of an error as its source says it: unqualified, as the
// program spells it (EOleError, bad_alloc).
std::wstring ErrorClassName(const std::exception& error) {
  std::string name = typeid(error).name();
#if __has_include(<cxxabi.h>)
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> readable(
      abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status), &std::free);
  if (status == 0 && readable) name = readable.get();
#endif
  for (std::string_view prefix : {"class ", "struct "})  // how MSVC names a type
    if (name.starts_with(prefix)) name.erase(0, prefix.size());
  if (auto scope = name.rfind("::"); scope != std::string::npos) name.erase(0, scope + 2);
  return std::wstring(name.begin(), name.end());
}

// Tells the control what went wrong inside the host, in the record it
// passed for that (an out-parameter: whatever it held is not the host's).
void ReportAmbientError(EXCEPINFO* exception) noexcept {
  if (!exception) return;
  std::wstring source = L"Exception", description = L"Unknown error";
  DWORD helpContext = 0;
  try {
    throw;
  } catch (const std::exception& error) {
    try {
      source = ErrorClassName(error);
      description = GbkToWide(error.what());
      if (auto* described = dynamic_cast<const EOleException*>(&error))
        helpContext = described->HelpContext();
    } catch (...) {
      // Out of memory while describing it: the plain words stand.
    }
  } catch (...) {
  }
  *exception = EXCEPINFO{};
  exception->wCode = kAmbientErrorCode;  // the code, so scode stays 0
  exception->bstrSource = SysAllocString(source.c_str());
  exception->bstrDescription = SysAllocString(description.c_str());
  exception->dwHelpContext = helpContext;
}

}  // namespace

HRESULT TCustomWebHost::InvokeAmbient(DISPID id, REFIID iid, LCID locale, WORD flags,
                                      DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                      UINT* argError) {
  try {
    if ((flags & DISPATCH_PROPERTYGET) && result) {
      switch (id) {
        case DISPID_AMBIENT_USERAGENT:
          // Only a supplier with an agent answers; otherwise the control keeps its own.
          if (FAmbientAgentSupplier) {
            std::string agent;
            if (FAmbientAgentSupplier(agent) == S_OK && !agent.empty()) {
              *result = TVariant(GbkToWide(agent) + L"\r\n").Release();
              return S_OK;
            }
          }
          break;
        case DISPID_AMBIENT_DLCONTROL:
          *result = TVariant(static_cast<LONG>(FDownloadControlFlags)).Release();
          return S_OK;
        case DISPID_AMBIENT_USERMODE:
          *result = TVariant(!FAmbientDesignMode).Release();
          return S_OK;
        default:
          break;
      }
    } else if ((flags & DISPATCH_PROPERTYPUT) && id == DISPID_AMBIENT_USERMODE) {
      if (!params || params->cArgs < 1 || !params->rgvarg) return DISP_E_BADPARAMCOUNT;
      TVariant userMode;
      if (FAILED(VariantChangeType(&userMode, &params->rgvarg[0], 0, VT_BOOL))) {
        if (argError) *argError = 0;
        return DISP_E_TYPEMISMATCH;
      }
      // What is put is the user mode: a later read answers the same.
      FAmbientDesignMode = V_BOOL(&userMode) == VARIANT_FALSE;
      return S_OK;
    }
    HRESULT answer =
        TBrowserControl::InvokeAmbient(id, iid, locale, flags, params, result, exception, argError);
    if (answer == DISP_E_MEMBERNOTFOUND && OnInvoke) {
      DISPPARAMS none{nullptr, nullptr, 0, 0};
      OnInvoke(this, id, iid, locale, flags, params ? *params : none, result, exception, argError,
               answer);
    }
    return answer;
  } catch (...) {
    ReportAmbientError(exception);
    return DISP_E_EXCEPTION;
  }
}

// --- the host's type information: the standard answer, then the events ----------------------
// A handler that fails leaves the standard answer.

STDMETHODIMP TCustomWebHost::GetTypeInfoCount(UINT* count) noexcept {
  const HRESULT standard = TBrowserControl::GetTypeInfoCount(count);
  if (!count || !OnGetTypeInfoCount) return standard;
  UINT given = *count;
  HRESULT answer = AnswerControl(standard, [&] {
    HRESULT rezult = standard;
    OnGetTypeInfoCount(this, given, rezult);
    return rezult;
  });
  *count = SUCCEEDED(answer) ? given : 0;
  return answer;
}

STDMETHODIMP TCustomWebHost::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept {
  const HRESULT standard = TBrowserControl::GetTypeInfo(index, locale, info);
  if (!info || !OnGetTypeInfo) return standard;
  ComPtr<ITypeInfo> given = AdoptReference(std::exchange(*info, nullptr));
  HRESULT answer = AnswerControl(standard, [&] {
    HRESULT rezult = standard;
    OnGetTypeInfo(this, index, locale, given, rezult);
    return rezult;
  });
  // A failure hands nothing out: the caller would not release it.
  if (SUCCEEDED(answer)) *info = given.Detach();
  return answer;
}

STDMETHODIMP TCustomWebHost::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                           DISPID* ids) noexcept {
  const HRESULT standard = TBrowserControl::GetIDsOfNames(iid, names, count, locale, ids);
  if (!OnGetIDsOfNames) return standard;
  return AnswerControl(standard, [&] {
    HRESULT rezult = standard;
    OnGetIDsOfNames(this, iid, names, count, locale, ids, rezult);
    return rezult;
  });
}

}  // namespace kvx
