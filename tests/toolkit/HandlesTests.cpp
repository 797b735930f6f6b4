// The owning wrappers of COM values: a VARIANT that builds itself by type and
// owns what it holds, taking over an already-counted reference, and the
// exception record that frees its strings.
#include "toolkit/Win.h"

#include "toolkit/Handles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <utility>

// Declared by no header, exported by the platform's automation library.
extern "C" void WINAPI SetOaNoCache();

namespace kvx {
namespace {

// Counts the task-memory blocks allocated under it and not yet freed. The
// automation library's string cache is off, so a freed string reaches the
// allocator at once.
class TTaskMemoryCount final : public IMallocSpy {
 public:
  static TTaskMemoryCount& Instance() {
    static TTaskMemoryCount* spy = [] {
      SetOaNoCache();
      auto* created = new TTaskMemoryCount;  // the platform may hold it to the end
      CoRegisterMallocSpy(created);
      return created;
    }();
    return *spy;
  }
  long Outstanding() const noexcept { return FOutstanding; }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    *object =
        (iid == IID_IUnknown || iid == IID_IMallocSpy) ? static_cast<IMallocSpy*>(this) : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return 2; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return 1; }
  STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T size) noexcept override { return size; }
  STDMETHODIMP_(void*) PostAlloc(void* block) noexcept override {
    if (block) InterlockedIncrement(&FOutstanding);
    return block;
  }
  STDMETHODIMP_(void*) PreFree(void* block, BOOL spied) noexcept override {
    if (block && spied) InterlockedDecrement(&FOutstanding);
    return block;
  }
  STDMETHODIMP_(void) PostFree(BOOL) noexcept override {}
  STDMETHODIMP_(SIZE_T)
  PreRealloc(void* block, SIZE_T size, void** newBlock, BOOL) noexcept override {
    *newBlock = block;
    return size;
  }
  STDMETHODIMP_(void*) PostRealloc(void* block, BOOL) noexcept override { return block; }
  STDMETHODIMP_(void*) PreGetSize(void* block, BOOL) noexcept override { return block; }
  STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T size, BOOL) noexcept override { return size; }
  STDMETHODIMP_(void*) PreDidAlloc(void* block, BOOL) noexcept override { return block; }
  STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int allocated) noexcept override {
    return allocated;
  }
  STDMETHODIMP_(void) PreHeapMinimize() noexcept override {}
  STDMETHODIMP_(void) PostHeapMinimize() noexcept override {}

 private:
  TTaskMemoryCount() = default;
  LONG FOutstanding = 0;
};

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

// A callee fills in only what it has: the rest must be empty, or a caller
// would call a stray deferred fill-in or take a stray error code.
TEST(TExcepInfo, StartsEmptyOverWhateverItsMemoryHeld) {
  alignas(TExcepInfo) unsigned char storage[sizeof(TExcepInfo)];
  std::memset(storage, 0xCD, sizeof storage);
  auto* info = new (storage) TExcepInfo;
  EXPECT_EQ(info->wCode, 0);
  EXPECT_EQ(info->scode, 0);
  EXPECT_EQ(info->dwHelpContext, 0u);
  EXPECT_EQ(info->pfnDeferredFillIn, nullptr);
  EXPECT_EQ(info->pvReserved, nullptr);
  EXPECT_EQ(info->bstrSource, nullptr);
  EXPECT_EQ(info->bstrDescription, nullptr);
  EXPECT_EQ(info->bstrHelpFile, nullptr);
  info->~TExcepInfo();
}

TEST(TExcepInfo, FreesTheStringsStillInItAndLeavesTheOnesTakenOver) {
  TTaskMemoryCount& memory = TTaskMemoryCount::Instance();
  const long before = memory.Outstanding();
  TUniqueBstr taken;
  {
    TExcepInfo info;
    info.bstrSource = SysAllocString(L"Source");
    info.bstrDescription = SysAllocString(L"页面出错");
    info.bstrHelpFile = SysAllocString(L"help.chm");
    ASSERT_EQ(memory.Outstanding(), before + 3);
    taken.Reset(std::exchange(info.bstrDescription, nullptr));
  }
  EXPECT_EQ(memory.Outstanding(), before + 1);
  EXPECT_EQ(std::wstring(taken.Get(), SysStringLen(taken.Get())), L"页面出错");
  taken.Reset();
  EXPECT_EQ(memory.Outstanding(), before);
}

}  // namespace
}  // namespace kvx
