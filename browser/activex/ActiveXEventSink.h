#pragma once
// The host's side of the control's connection points: one advice held as an
// object, and the sink that receives the control's events.

#include "toolkit/Win.h"

#include "toolkit/Control.h"

#include <ocidl.h>
#include <wrl/client.h>

namespace kvx {

class TActiveXHost;

// A connection-point advice, undone when it goes.
class TOleConnection {
 public:
  TOleConnection() = default;
  ~TOleConnection() { Disconnect(); }
  TOleConnection(const TOleConnection&) = delete;
  TOleConnection& operator=(const TOleConnection&) = delete;
  // Advises `sink` on the container's point for `iid`; a control without the
  // container or the point is simply not connected.
  void Connect(IUnknown* control, REFIID iid, IUnknown* sink);
  void Disconnect() noexcept;
  bool Connected() const noexcept { return FPoint != nullptr; }

 private:
  Microsoft::WRL::ComPtr<IConnectionPoint> FPoint;
  DWORD FCookie = 0;
};

// Receives the control's events and hands them to the host. Its references
// count on the host, whose owner decides its lifetime.
class TActiveXEventSink final : public TObject, public IDispatch {
 public:
  explicit TActiveXEventSink(TActiveXHost& host) noexcept : FHost(host) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override;
  STDMETHODIMP_(ULONG) Release() noexcept override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                             DISPID* ids) noexcept override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) noexcept override;

 private:
  TActiveXHost& FHost;
};

}  // namespace kvx
