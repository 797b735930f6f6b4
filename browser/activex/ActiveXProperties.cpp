// The host's side of the control's properties: typed access by DISPID, the
// enumeration, font and picture properties of the description, the stock
// properties that follow the host, and the ambient changes it announces.
#include "toolkit/Win.h"

#include "browser/activex/ActiveXHost.h"

#include "browser/activex/OleError.h"
#include "browser/activex/OleFont.h"
#include "core/CodePage.h"
#include "toolkit/Handles.h"
#include "toolkit/Scope.h"

#include <memory>
#include <utility>

using Microsoft::WRL::ComPtr;

namespace kvx {

ComPtr<IDispatch> TActiveXHost::DefaultDispatch() {
  CompleteControl();
  ComPtr<IDispatch> dispatch;
  if (!FOleObject || FAILED(FOleObject.As(&dispatch)) || !dispatch) throw EIntfCastError();
  return dispatch;
}

// --- properties -------------------------------------------------------------------

void TActiveXHost::InvokeProperty(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result) {
  CompleteControl();
  if (!FControlDispatch) OleError(E_UNEXPECTED);
  TExcepInfo info;
  HRESULT hr = FControlDispatch->Invoke(id, IID_NULL, 0, flags, &params, result, &info, nullptr);
  if (hr == S_OK) return;
  if (hr == DISP_E_EXCEPTION) OleExceptionError(hr, info);
  OleError(hr);
}

void TActiveXHost::ReadProperty(DISPID id, VARIANT& result) {
  VariantClear(&result);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  InvokeProperty(id, DISPATCH_PROPERTYGET, none, &result);
}

void TActiveXHost::WriteProperty(DISPID id, const VARIANT& value) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{const_cast<VARIANT*>(&value), &named, 1, 1};
  InvokeProperty(id, V_VT(&value) == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT,
                 params, nullptr);
}

// The typed readers take the payload as the control returned it; a value of
// another kind would be read as garbage, so it is refused.
ComPtr<IDispatch> TActiveXHost::GetDispatchProperty(DISPID id) {
  TVariant result;
  ReadProperty(id, result.Get());
  ComPtr<IDispatch> dispatch;
  switch (V_VT(&result.Get())) {
    case VT_DISPATCH:
      // The caller receives the reference the result holds.
      dispatch = AdoptReference(V_DISPATCH(&result.Get()));
      V_VT(&result.Get()) = VT_EMPTY;
      break;
    case VT_UNKNOWN:
      if (V_UNKNOWN(&result.Get()))
        V_UNKNOWN(&result.Get())->QueryInterface(IID_PPV_ARGS(&dispatch));
      break;
    case VT_EMPTY:
    case VT_NULL:
      break;
    default:
      OleError(DISP_E_TYPEMISMATCH);
  }
  return dispatch;
}

std::int32_t TActiveXHost::GetIntegerProperty(DISPID id) {
  TVariant result;
  ReadProperty(id, result.Get());
  switch (V_VT(&result.Get())) {
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
      return V_I4(&result.Get());
    case VT_EMPTY:
      return 0;
    default:
      OleError(DISP_E_TYPEMISMATCH);
  }
}

bool TActiveXHost::GetBooleanProperty(DISPID id) {
  TVariant result;
  ReadProperty(id, result.Get());
  switch (V_VT(&result.Get())) {
    case VT_BOOL:
      return V_BOOL(&result.Get()) != VARIANT_FALSE;
    case VT_EMPTY:
      return false;
    default:
      OleError(DISP_E_TYPEMISMATCH);
  }
}

std::wstring TActiveXHost::GetTextProperty(DISPID id) {
  TVariant result;
  ReadProperty(id, result.Get());
  switch (V_VT(&result.Get())) {
    case VT_BSTR: {
      BSTR text = V_BSTR(&result.Get());
      return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    }
    case VT_EMPTY:
    case VT_NULL:
      return {};
    default:
      OleError(DISP_E_TYPEMISMATCH);
  }
}

void TActiveXHost::GetVariantProperty(DISPID id, VARIANT& result) {
  ReadProperty(id, result);
}

void TActiveXHost::SetDispatchProperty(DISPID id, IDispatch* value) {
  WriteProperty(id, TVariant(value).Get());
}

void TActiveXHost::SetIntegerProperty(DISPID id, std::int32_t value) {
  WriteProperty(id, TVariant(value).Get());
}

void TActiveXHost::SetBooleanProperty(DISPID id, int value) {
  WriteProperty(id, TVariant(value != 0).Get());
}

// An empty text goes as the null BSTR.
void TActiveXHost::SetTextProperty(DISPID id, const std::wstring& value) {
  TVariant text;
  try {
    text = TVariant(value);
  } catch (const std::bad_alloc&) {
    OleError(E_OUTOFMEMORY);
  }
  WriteProperty(id, text.Get());
}

void TActiveXHost::SetVariantProperty(DISPID id, const VARIANT& value) {
  WriteProperty(id, value);
}

void TActiveXHost::PushProperty(bool& guard, DISPID id, const TVariant& value) {
  // Only the outermost push writes: the control's change notice for it comes
  // back while the guard is held.
  TAutoReset<bool> pushing(guard, true);
  if (!pushing.Old()) WriteProperty(id, value.Get());
}
// --- enumeration, font and picture properties ------------------------------------

const TEnumPropDesc* TActiveXHost::EnumPropDescription(DISPID id) {
  CompleteControl();
  auto& cache = FDescription->PropDescriptions;
  if (!cache) cache = std::make_unique<std::deque<TEnumPropDesc>>();
  for (const TEnumPropDesc& desc : *cache)
    if (desc.DispID == id) return &desc;
  if (!FPropBrowsing) return nullptr;
  CALPOLESTR names{};
  CADWORD cookies{};
  if (FPropBrowsing->GetPredefinedStrings(id, &names, &cookies) != S_OK) return nullptr;
  TUniqueTaskMem nameArray(names.pElems), cookieArray(cookies.pElems);
  // Every name is ours to free, also those not reached when copying one raises.
  ULONG next = 0;
  auto freeRest = ScopeExit([&]() noexcept {
    for (; next < names.cElems; ++next) {
      const TUniqueTaskMem owned(std::exchange(names.pElems[next], nullptr));
    }
  });
  TEnumPropDesc desc{id, {}};
  for (; next < names.cElems; ++next) {
    TUniqueTaskMem name(std::exchange(names.pElems[next], nullptr));
    if (next < cookies.cElems && name)
      desc.Values.push_back({static_cast<LPOLESTR>(name.Get()), cookies.pElems[next]});
  }
  return &cache->emplace_back(std::move(desc));
}

void TActiveXHost::SetFontProperty(int index, const TFont& font) {
  FFonts.at(static_cast<size_t>(index)) = font;
  SetDispatchProperty(FDescription->FontDispIDs[index], MakeOleFont(font).Get());
}

void TActiveXHost::SetPictureProperty(int index, IDispatch* picture) {
  FPictures.at(static_cast<size_t>(index)) = picture;
  SetDispatchProperty(FDescription->PictureDispIDs[index], picture);
}
// --- stock properties and ambient changes -----------------------------------------

void TActiveXHost::PropertyChanged(DISPID id) {
  try {
    switch (id) {
      case DISPID_ENABLED: {
        TAutoReset<bool> guard(FUpdatingEnabled, true);
        if (!guard.Old()) SetEnabled(GetBooleanProperty(id));
        break;
      }
      case DISPID_FORECOLOR: {
        TAutoReset<bool> guard(FUpdatingFont, true);
        if (guard.Old()) break;
        TFont font = Font();
        font.Color = static_cast<TColor>(GetIntegerProperty(id));
        SetFont(font);
        break;
      }
      case DISPID_FONT: {
        TAutoReset<bool> guard(FUpdatingFont, true);
        if (guard.Old()) break;
        TFont font = Font();
        ReadOleFont(GetDispatchProperty(id).Get(), font);
        SetFont(font);
        break;
      }
      case DISPID_BACKCOLOR: {
        TAutoReset<bool> guard(FUpdatingColor, true);
        if (!guard.Old()) SetColor(static_cast<TColor>(GetIntegerProperty(id)));
        break;
      }
      default:
        break;
    }
  } catch (const EOleError&) {
    // The control could not tell; the host keeps what it has.
  }
}

bool TActiveXHost::PropertyRequestEdit(DISPID /*id*/) {
  return true;
}

void TActiveXHost::AmbientPropertyChanged(DISPID id) noexcept {
  if (FOleControl) FOleControl->OnAmbientPropertyChange(id);
}

void TActiveXHost::SetName(const std::string& name) {
  if (name == FName) return;
  std::string old = std::exchange(FName, name);
  AmbientPropertyChanged(DISPID_AMBIENT_DISPLAYNAME);
  const std::uint32_t flags = FDescription->Flags;
  if (!(flags & (cfCaption | cfText)) || !FOleControl) return;
  DISPID id = (flags & cfCaption) ? DISPID_CAPTION : DISPID_TEXT;
  if (GetTextProperty(id) == GbkToWide(old)) SetTextProperty(id, GbkToWide(name));
}

void TActiveXHost::SetEnabled(bool enabled) {
  TWinControl::SetEnabled(enabled);
  if (HandleAllocated() && FOleControl && (FDescription->Flags & cfEnabled)) {
    PushProperty(FUpdatingEnabled, DISPID_ENABLED, TVariant(enabled));
  }
}

void TActiveXHost::FontChanged() {
  TWinControl::FontChanged();
  if (!HandleAllocated() || !FOleControl) return;
  const std::uint32_t flags = FDescription->Flags;
  if (flags & cfForeColor) {
    PushProperty(FUpdatingFont, DISPID_FORECOLOR, TVariant(static_cast<LONG>(Font().Color)));
  }
  if (flags & cfFont) {
    PushProperty(FUpdatingFont, DISPID_FONT, TVariant(MakeOleFont(Font()).Get()));
  }
}

void TActiveXHost::ParentFontChanged() {
  AmbientPropertyChanged(DISPID_AMBIENT_FONT);
  AmbientPropertyChanged(DISPID_AMBIENT_FORECOLOR);
}

void TActiveXHost::ColorChanged() {
  TWinControl::ColorChanged();
  if (!HandleAllocated() || !FOleControl || !(FDescription->Flags & cfBackColor)) return;
  PushProperty(FUpdatingColor, DISPID_BACKCOLOR, TVariant(static_cast<LONG>(Color())));
}

void TActiveXHost::ParentColorChanged() {
  AmbientPropertyChanged(DISPID_AMBIENT_BACKCOLOR);
}

void TActiveXHost::ParentChanged() {
  TWinControl::ParentChanged();
  if (!FOleObject) return;
  EnsureClientSite();
  AmbientPropertyChanged(DISPID_UNKNOWN);
}

}  // namespace kvx
