#pragma once
// How the host answers the control's QueryInterface: a table per class of
// the host chain, and interfaces implemented by objects of their own (tear-
// offs) that share the host's identity and reference count.

#include "toolkit/Win.h"

#include <ocidl.h>
#include <oleidl.h>

#include <cstddef>

namespace kvx {

class TActiveXHost;

// One row of a site's interface table: the interface and how to reach it on
// the host (no reference is added here).
template <class Host>
struct TSiteInterface {
  const IID* Iid;
  IUnknown* (*Get)(Host& host) noexcept;
};

template <class Host, std::size_t N>
IUnknown* FindSiteInterface(const TSiteInterface<Host> (&table)[N], Host& host,
                            REFIID iid) noexcept {
  for (const TSiteInterface<Host>& row : table)
    if (*row.Iid == iid) return row.Get(host);
  return nullptr;
}

// An interface of the site implemented by an object of its own, for an
// interface whose methods would clash with another's on the host itself or
// that deserves a file of its own. QueryInterface, AddRef and Release go to
// the host: one COM identity, one count.
template <class Interface>
class TSiteTearOff : public Interface {
 public:
  explicit TSiteTearOff(IUnknown& outer) noexcept : FOuter(outer) {}
  TSiteTearOff(const TSiteTearOff&) = delete;
  TSiteTearOff& operator=(const TSiteTearOff&) = delete;
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override {
    return FOuter.QueryInterface(iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return FOuter.AddRef(); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return FOuter.Release(); }

 protected:
  ~TSiteTearOff() = default;

 private:
  IUnknown& FOuter;
};

// The in-place frame: IOleInPlaceFrame and IOleInPlaceSite share
// IOleWindow::GetWindow but answer it differently, so the frame is a tear-off.
class TActiveXFrame final : public TSiteTearOff<IOleInPlaceFrame> {
 public:
  TActiveXFrame(IUnknown& outer, TActiveXHost& host) noexcept : TSiteTearOff(outer), FHost(host) {}
  // The frame also answers as the window interfaces it derives from.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override;
  STDMETHODIMP GetWindow(HWND* window) noexcept override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) noexcept override;
  STDMETHODIMP GetBorder(LPRECT border) noexcept override;
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) noexcept override;
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) noexcept override;
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* activeObject,
                               LPCOLESTR name) noexcept override;
  STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) noexcept override;
  STDMETHODIMP SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) noexcept override;
  STDMETHODIMP RemoveMenus(HMENU shared) noexcept override;
  STDMETHODIMP SetStatusText(LPCOLESTR text) noexcept override;
  STDMETHODIMP EnableModeless(BOOL enable) noexcept override;
  STDMETHODIMP TranslateAccelerator(LPMSG msg, WORD id) noexcept override;

 private:
  TActiveXHost& FHost;
};

}  // namespace kvx
