#include "toolkit/Win.h"

#include "tests/support/TestDoubleDocument.h"

#include "toolkit/Handles.h"

#include <mshtmdid.h>

namespace kvx::test {
namespace {

// DISPIDs the event object hands out for its named properties.
constexpr DISPID kFirstEventProperty = 1000;

template <class Interface>
HRESULT Hand(Interface* found, void** object) noexcept {
  found->AddRef();
  *object = found;
  return S_OK;
}

}  // namespace

// --- the event --------------------------------------------------------------------------------

STDMETHODIMP TTestDoubleEvent::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLEventObj)
    return Hand(static_cast<IHTMLEventObj*>(this), object);
  return E_NOINTERFACE;
}

STDMETHODIMP TTestDoubleEvent::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                             DISPID* ids) noexcept {
  if (!names || !ids || count != 1) return E_INVALIDARG;
  FDocument.EventLocales.push_back(locale);
  ids[0] = DISPID_UNKNOWN;
  DISPID id = kFirstEventProperty;
  for (const auto& property : FDocument.EventProperties) {
    if (property.first == names[0]) {
      ids[0] = id;
      return S_OK;
    }
    ++id;
  }
  return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP TTestDoubleEvent::Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS*,
                                      VARIANT* result, EXCEPINFO*, UINT*) noexcept {
  FDocument.EventLocales.push_back(locale);
  if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
  VariantInit(result);
  DISPID next = kFirstEventProperty;
  for (const auto& property : FDocument.EventProperties) {
    if (next++ == id) return VariantCopy(result, const_cast<VARIANT*>(&property.second.Get()));
  }
  return DISP_E_MEMBERNOTFOUND;
}

// --- the window -------------------------------------------------------------------------------

STDMETHODIMP TTestDoubleWindow::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLFramesCollection2 ||
      iid == IID_IHTMLWindow2)
    return Hand(static_cast<IHTMLWindow2*>(this), object);
  return E_NOINTERFACE;
}

STDMETHODIMP TTestDoubleWindow::get_event(IHTMLEventObj** event) noexcept {
  if (!event) return E_POINTER;
  *event = nullptr;
  if (!FDocument.HasEvent) return S_OK;  // the engine answers "no event" with null
  return Hand(static_cast<IHTMLEventObj*>(&FDocument.FEvent), reinterpret_cast<void**>(event));
}

// --- the document
// ---------------------------------------------------------------------------------

void TTestDoubleDocument::SetScriptError(LONG line, LONG character, LONG code,
                                         const std::wstring& message, const std::wstring& url) {
  EventProperties.clear();
  EventProperties[L"errorline"] = TRecordedVariant(TVariant(static_cast<int>(line)).Get());
  EventProperties[L"errorCharacter"] =
      TRecordedVariant(TVariant(static_cast<int>(character)).Get());
  EventProperties[L"errorCode"] = TRecordedVariant(TVariant(static_cast<int>(code)).Get());
  EventProperties[L"errorMessage"] = TRecordedVariant(TVariant(message).Get());
  EventProperties[L"errorUrl"] = TRecordedVariant(TVariant(url).Get());
}

STDMETHODIMP TTestDoubleDocument::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLDocument ||
      iid == IID_IHTMLDocument2)
    return Hand(static_cast<IHTMLDocument2*>(this), object);
  if (iid == IID_IOleCommandTarget && OffersCommandTarget)
    return Hand(static_cast<IOleCommandTarget*>(this), object);
  if (iid == IID_IPersistStreamInit || iid == IID_IPersist)
    return Hand(static_cast<IPersistStreamInit*>(this), object);
  return E_NOINTERFACE;
}

STDMETHODIMP TTestDoubleDocument::get_parentWindow(IHTMLWindow2** window) noexcept {
  if (!window) return E_POINTER;
  *window = nullptr;
  if (!HasWindow) return E_FAIL;
  return Hand(static_cast<IHTMLWindow2*>(&FWindow), reinterpret_cast<void**>(window));
}

STDMETHODIMP TTestDoubleDocument::Exec(const GUID* group, DWORD command, DWORD option, VARIANT* in,
                                       VARIANT* out) noexcept {
  Execs.push_back({group, command, option});
  if (group) return OLECMDERR_E_UNKNOWNGROUP;
  switch (command) {
    case OLECMDID_GETZOOMRANGE:
      if (!out) return E_INVALIDARG;
      VariantClear(out);
      *out = TVariant(static_cast<int>(MAKELONG(ZoomMinimum, ZoomMaximum))).Release();
      return S_OK;
    case OLECMDID_ZOOM:
      if (!in || V_VT(in) != VT_I4) return E_INVALIDARG;
      if (V_I4(in) < ZoomMinimum || V_I4(in) > ZoomMaximum)
        return E_INVALIDARG;  // as the engine refuses it
      ZoomsSet.push_back(V_I4(in));
      return S_OK;
    default:
      return OLECMDERR_E_NOTSUPPORTED;
  }
}

STDMETHODIMP TTestDoubleDocument::GetClassID(CLSID* id) noexcept {
  if (id) *id = CLSID_NULL;
  return E_NOTIMPL;
}

STDMETHODIMP TTestDoubleDocument::Load(IStream* stream) noexcept {
  if (!stream) return E_POINTER;
  ++Loads;
  Loaded.clear();
  BYTE buffer[256];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0)
    Loaded.insert(Loaded.end(), buffer, buffer + read);
  return S_OK;
}

}  // namespace kvx::test
