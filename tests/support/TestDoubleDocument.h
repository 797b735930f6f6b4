#pragma once
// The page's document as the platform's HTML engine offers it, for the test
// double control's Document property: its command target (the zoom
// commands), its window with the current event (what a script error leaves
// there) and its persistence (what is loaded into it).

#include "toolkit/Win.h"

#include "tests/support/TestDoubleControl.h"
#include "tests/support/TestDoubleHtmlStubs.h"

#include <docobj.h>
#include <mshtml.h>
#include <ocidl.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kvx::test {

class TTestDoubleDocument;

// A part of the document (its window, its current event): its references
// count on the document's, and it has no type information.
template <class Stub>
class TTestDocumentPart : public Stub {
 public:
  TTestDocumentPart(TTestDoubleDocument& document, long& references) noexcept
      : FDocument(document), FRefs(references) {}
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return static_cast<ULONG>(++FRefs); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return static_cast<ULONG>(--FRefs); }
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override {
    return DISP_E_MEMBERNOTFOUND;
  }

 protected:
  ~TTestDocumentPart() = default;
  TTestDoubleDocument& FDocument;

 private:
  long& FRefs;
};

// The current event of the document's window: its properties by name.
class TTestDoubleEvent final : public TTestDocumentPart<TStubHTMLEventObj> {
 public:
  using TTestDocumentPart::TTestDocumentPart;
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override;
  // Names are matched exactly, case included.
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                             DISPID* ids) noexcept override;
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS*, VARIANT* result,
                      EXCEPINFO*, UINT*) noexcept override;
};

// The document's window: it answers its current event.
class TTestDoubleWindow final : public TTestDocumentPart<TStubHTMLWindow2> {
 public:
  using TTestDocumentPart::TTestDocumentPart;
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override;
  STDMETHODIMP get_event(IHTMLEventObj** event) noexcept override;
};

// Owned by the test, like the control: Release never frees, and the
// references handed out on the document, its window and its event count
// together, so what a host leaves held shows.
class TTestDoubleDocument final : public TStubHTMLDocument2,
                                  public IOleCommandTarget,
                                  public IPersistStreamInit {
 public:
  TTestDoubleDocument() = default;
  TTestDoubleDocument(const TTestDoubleDocument&) = delete;
  TTestDoubleDocument& operator=(const TTestDoubleDocument&) = delete;

  // --- script ---
  // The zoom range the document reports to OLECMDID_GETZOOMRANGE.
  std::uint16_t ZoomMinimum = 0;
  std::uint16_t ZoomMaximum = 4;
  bool OffersCommandTarget = true;
  // parentWindow answers a window; the window answers a current event.
  bool HasWindow = true;
  bool HasEvent = true;
  // The current event's properties by name.
  std::map<std::wstring, TRecordedVariant> EventProperties;
  // The five properties of a script error, as the engine fills them.
  void SetScriptError(LONG line, LONG character, LONG code, const std::wstring& message,
                      const std::wstring& url);

  // --- record ---
  // Commands executed on the command target: group (null for none), command, option.
  struct TExec {
    const GUID* Group;
    DWORD Command;
    DWORD Option;
  };
  std::vector<TExec> Execs;
  std::vector<LONG> ZoomsSet;
  // Locales the event's properties were asked for and read with.
  std::vector<LCID> EventLocales;
  std::vector<BYTE> Loaded;
  int Loads = 0;
  long OutstandingReferences() const noexcept { return FRefs; }
  // The document as the control's Document property holds it.
  IDispatch* Dispatch() noexcept { return static_cast<IHTMLDocument2*>(this); }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return static_cast<ULONG>(++FRefs); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return static_cast<ULONG>(--FRefs); }
  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    return FWindow.GetTypeInfoCount(count);
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override {
    return FWindow.GetTypeInfo(index, locale, info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override {
    return DISP_E_MEMBERNOTFOUND;
  }
  // IHTMLDocument2
  STDMETHODIMP get_parentWindow(IHTMLWindow2** window) noexcept override;
  // IOleCommandTarget
  STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) noexcept override {
    return S_OK;
  }
  STDMETHODIMP Exec(const GUID* group, DWORD command, DWORD option, VARIANT* in,
                    VARIANT* out) noexcept override;
  // IPersistStreamInit
  STDMETHODIMP GetClassID(CLSID* id) noexcept override;
  STDMETHODIMP IsDirty() noexcept override { return S_FALSE; }
  STDMETHODIMP Load(IStream* stream) noexcept override;
  STDMETHODIMP Save(IStream*, BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP InitNew() noexcept override { return S_OK; }

 private:
  friend class TTestDoubleEvent;
  friend class TTestDoubleWindow;
  long FRefs = 0;
  TTestDoubleWindow FWindow{*this, FRefs};
  TTestDoubleEvent FEvent{*this, FRefs};
};

}  // namespace kvx::test
