// The owning wrappers of COM values: a VARIANT that builds itself by type and
// owns what it holds, and taking over an already-counted reference.
#include "toolkit/Win.h"

#include "toolkit/Handles.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace kvx {
namespace {

// An automation object that only counts the references held on it.
class TCounted final : public IDispatch {
 public:
  long References = 0;
  STDMETHODIMP QueryInterface(REFIID, void** object) noexcept override {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return static_cast<ULONG>(++References); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return static_cast<ULONG>(--References); }
  STDMETHODIMP GetTypeInfoCount(UINT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override {
    return E_NOTIMPL;
  }
};

TEST(TVariant, TypedConstructorsBuildTheirValues) {
  EXPECT_EQ(TVariant().Type(), VT_EMPTY);
  TVariant number(-7);
  EXPECT_EQ(number.Type(), VT_I4);
  EXPECT_EQ(V_I4(&number.Get()), -7);
  EXPECT_EQ(V_I4(&TVariant(static_cast<LONG>(0x00ABCDEF)).Get()), 0x00ABCDEF);
  EXPECT_EQ(V_BOOL(&TVariant(true).Get()), VARIANT_TRUE);
  EXPECT_EQ(V_BOOL(&TVariant(false).Get()), VARIANT_FALSE);
  TVariant text(L"页码");  // a literal is a text, never a boolean
  ASSERT_EQ(text.Type(), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(&text.Get()), SysStringLen(V_BSTR(&text.Get()))), L"页码");
  TVariant empty(std::wstring{});
  EXPECT_EQ(empty.Type(), VT_BSTR);
  EXPECT_EQ(V_BSTR(&empty.Get()), nullptr);
  TVariant missing = TVariant::Missing();
  EXPECT_EQ(missing.Type(), VT_ERROR);
  EXPECT_EQ(V_ERROR(&missing.Get()), DISP_E_PARAMNOTFOUND);
}

TEST(TVariant, OwnsTheReferenceItHoldsThroughMovesAndRelease) {
  TCounted object;
  {
    TVariant held(&object);
    EXPECT_EQ(object.References, 1);
    TVariant moved(std::move(held));
    EXPECT_EQ(held.Type(), VT_EMPTY);
    EXPECT_EQ(object.References, 1);
    moved = TVariant(5);  // assigning over it gives the reference back
    EXPECT_EQ(object.References, 0);
    moved = TVariant(&object);
  }
  EXPECT_EQ(object.References, 0);

  TVariant given(&object);
  VARIANT out = given.Release();  // now the receiver's to clear
  EXPECT_EQ(given.Type(), VT_EMPTY);
  EXPECT_EQ(object.References, 1);
  VariantClear(&out);
  EXPECT_EQ(object.References, 0);
}

TEST(AdoptReference, TakesOverACountedReferenceWithoutAddingOne) {
  TCounted object;
  object.AddRef();  // counted for the caller, as an out-parameter is
  {
    auto adopted = AdoptReference(static_cast<IDispatch*>(&object));
    EXPECT_EQ(adopted.Get(), &object);
    EXPECT_EQ(object.References, 1);
  }
  EXPECT_EQ(object.References, 0);
}

}  // namespace
}  // namespace kvx
