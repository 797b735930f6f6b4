#pragma once
// A document for the test double control to hand out as its Document
// property: it takes HTML text through IPersistStreamInit and the zoom
// commands through IOleCommandTarget, and records both. Owned by the test;
// its references only count.

#include "toolkit/Win.h"

#include <docobj.h>
#include <ocidl.h>

#include <string>
#include <vector>

namespace kvx::test {

class TTestDocument final : public IDispatch, public IPersistStreamInit, public IOleCommandTarget {
 public:
  // The text of each Load, in order.
  std::vector<std::string> Loads;
  // The zoom levels set (OLECMDID_ZOOM), in order.
  std::vector<LONG> Zooms;
  LONG ZoomMinimum = 0;
  LONG ZoomMaximum = 4;
  long References() const noexcept { return FRefs; }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
    } else if (iid == IID_IPersistStreamInit || iid == IID_IPersist) {
      *object = static_cast<IPersistStreamInit*>(this);
    } else if (iid == IID_IOleCommandTarget) {
      *object = static_cast<IOleCommandTarget*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return static_cast<ULONG>(++FRefs); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return static_cast<ULONG>(--FRefs); }

  // IDispatch: nothing to ask.
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (count) *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) noexcept override {
    return DISP_E_MEMBERNOTFOUND;
  }

  // IPersistStreamInit: Load reads the stream from where it stands to its end.
  STDMETHODIMP GetClassID(CLSID* id) noexcept override {
    if (id) *id = CLSID_NULL;
    return S_OK;
  }
  STDMETHODIMP IsDirty() noexcept override { return S_FALSE; }
  STDMETHODIMP Load(IStream* stream) noexcept override {
    if (!stream) return E_POINTER;
    std::string text;
    char buffer[256];
    ULONG read = 0;
    while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) text.append(buffer, read);
    Loads.push_back(text);
    return S_OK;
  }
  STDMETHODIMP Save(IStream*, BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP InitNew() noexcept override { return S_OK; }

  // IOleCommandTarget: the zoom range and the zoom.
  STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Exec(const GUID* group, DWORD command, DWORD, VARIANT* in, VARIANT* out) noexcept override {
    if (group) return OLECMDERR_E_UNKNOWNGROUP;
    if (command == OLECMDID_GETZOOMRANGE && out) {
      V_VT(out) = VT_I4;
      V_I4(out) = static_cast<LONG>((static_cast<ULONG>(ZoomMaximum) << 16) | static_cast<ULONG>(ZoomMinimum));
      return S_OK;
    }
    if (command == OLECMDID_ZOOM && in && V_VT(in) == VT_I4) {
      Zooms.push_back(V_I4(in));
      return S_OK;
    }
    return OLECMDERR_E_NOTSUPPORTED;
  }

 private:
  long FRefs = 0;
};

}  // namespace kvx::test
