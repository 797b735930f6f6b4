#include "toolkit/Win.h"

#include "tests/support/TestDoubleEngine.h"

#include "toolkit/Handles.h"

#include <objidl.h>
#include <shlguid.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <utility>

using Microsoft::WRL::ComPtr;

namespace kvx::test {
namespace {

// Counts the blocks allocated while it is registered; Wine and Windows tell
// it on each free whether the block was allocated under it.
class TTaskMemorySpy final : public IMallocSpy {
 public:
  long Outstanding() const noexcept { return FOutstanding; }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IMallocSpy) return E_NOINTERFACE;
    *object = static_cast<IMallocSpy*>(this);
    return S_OK;
  }
  // Lives for the process: the platform may keep it past any revocation.
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
  LONG FOutstanding = 0;
};

// What GetHostInfo's record and the bytes after it hold before the host writes.
constexpr BYTE kGarbage = 0xCD;
constexpr std::uintptr_t kGarbagePointer = static_cast<std::uintptr_t>(0xCDCDCDCDCDCDCDCDull);
// What the engine passes in for a text the host is to hand out.
wchar_t* const kPassedIn = reinterpret_cast<wchar_t*>(static_cast<std::uintptr_t>(0xBAADF00Dull));

// A pointer the host really wrote: neither left as garbage nor half of it.
bool Written(const void* pointer) noexcept {
  const auto value = reinterpret_cast<std::uintptr_t>(pointer);
  if (!value || value == kGarbagePointer) return false;
  for (int half = 0; half < 2; ++half) {
    const auto word = static_cast<std::uint32_t>(value >> (32 * half));
    if (word == 0xCDCDCDCDu) return false;
  }
  return true;
}

// Takes a text out of task memory and frees the block, as the engine does.
TTextAnswer Receive(HRESULT result, wchar_t* buffer) {
  TTextAnswer answer;
  answer.Result = result;
  if (buffer == kPassedIn) {
    answer.LeftAsPassed = true;
    return answer;
  }
  if (!buffer) return answer;
  answer.Received = true;
  ComPtr<IMalloc> allocator;
  CoGetMalloc(1, &allocator);
  const size_t capacity = allocator ? allocator->GetSize(buffer) / sizeof(wchar_t) : 0;
  size_t length = 0;
  while (length < capacity && buffer[length]) ++length;
  answer.Terminated = length < capacity;
  answer.Text.assign(buffer, length);
  CoTaskMemFree(buffer);
  return answer;
}

std::wstring ReceiveText(OLECHAR* text) {
  return Written(text) ? Receive(S_OK, text).Text : std::wstring();
}

const wchar_t kCommandTargetClass[] = L"KorvexaTestCommandTarget";

}  // namespace

// Declared by no header, exported by the platform's automation library.
extern "C" void WINAPI SetOaNoCache();

long OutstandingTaskMemory() {
  static TTaskMemorySpy* spy = [] {
    // Freed strings go back to the allocator at once instead of a cache that
    // would count as held.
    SetOaNoCache();
    auto* created = new TTaskMemorySpy;  // never freed: the platform may hold it to the end
    CoRegisterMallocSpy(created);
    return created;
  }();
  return spy->Outstanding();
}

// --- TTestCommandTarget
// ---------------------------------------------------------------------------

TTestCommandTarget::TTestCommandTarget(bool offersWindow) : FOffersWindow(offersWindow) {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kCommandTargetClass;
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  FWindow = CreateWindowExW(0, kCommandTargetClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TTestCommandTarget::~TTestCommandTarget() {
  if (FWindow) DestroyWindow(FWindow);
}

LRESULT CALLBACK TTestCommandTarget::WindowProc(HWND window, UINT msg, WPARAM wParam,
                                                LPARAM lParam) noexcept {
  auto* target = reinterpret_cast<TTestCommandTarget*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (target && msg == WM_COMMAND) {
    try {
      target->Commands.push_back(wParam);
    } catch (...) {
    }
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

STDMETHODIMP TTestCommandTarget::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IOleCommandTarget) {
    *object = static_cast<IOleCommandTarget*>(this);
  } else if (iid == IID_IOleWindow && FOffersWindow) {
    *object = static_cast<IOleWindow*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP TTestCommandTarget::Exec(const GUID* group, DWORD command, DWORD option, VARIANT* in,
                                      VARIANT* out) noexcept {
  try {
    Execs.push_back({group ? *group : GUID_NULL, command, option, in != nullptr});
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  // The platform SDK's SHDVID_GETMIMECSETMENU.
  constexpr DWORD kEncodingMenu = 27;
  if (!group || *group != CGID_ShellDocView || command != kEncodingMenu || !EncodingMenu)
    return OLECMDERR_E_NOTSUPPORTED;
  if (!out) return E_POINTER;
  V_VT(out) = VT_BYREF;
  V_BYREF(out) = std::exchange(EncodingMenu, nullptr);
  return S_OK;
}

STDMETHODIMP TTestCommandTarget::GetWindow(HWND* window) noexcept {
  if (!window) return E_POINTER;
  *window = FWindow;
  return FWindow ? S_OK : E_FAIL;
}

// --- TTestDoubleEngine
// --------------------------------------------------------------------------------

namespace {

// The calls during which a handler may free the host go through an interface
// the engine holds no reference of its own on: the host's lifetime is its
// owner's, so a reference let go of after the call would land on freed
// memory.
template <class T>
T* Lent(const ComPtr<T>& found) noexcept {
  return found.Get();
}

}  // namespace

template <class T>
ComPtr<T> TTestDoubleEngine::Find(ComPtr<T>& kept) const {
  if (kept) return kept;
  ComPtr<T> found = FControl.SiteAs<T>();
  if (FKeep) kept = found;
  return found;
}

ComPtr<IDocHostUIHandler> TTestDoubleEngine::UIHandler() const {
  return Find(FHandler);
}
ComPtr<IDocHostUIHandler2> TTestDoubleEngine::UIHandler2() const {
  return Find(FHandler2);
}
ComPtr<IDocHostShowUI> TTestDoubleEngine::ShowUI() const {
  return Find(FShowUI);
}
ComPtr<IOleCommandTarget> TTestDoubleEngine::CommandTarget() const {
  return Find(FCommandTarget);
}

void TTestDoubleEngine::LetGo() noexcept {
  FKeep = false;
  FHandler.Reset();
  FHandler2.Reset();
  FShowUI.Reset();
  FCommandTarget.Reset();
}

THostInfoAnswer TTestDoubleEngine::GetHostInfo() const {
  struct {
    DOCHOSTUIINFO Info;
    BYTE After[32];
  } record;
  std::memset(&record, kGarbage, sizeof record);
  THostInfoAnswer answer;
  IDocHostUIHandler* handler = Lent(UIHandler());
  if (!handler) return answer;
  answer.Result = handler->GetHostInfo(&record.Info);
  for (BYTE b : record.After) answer.WrotePastRecord = answer.WrotePastRecord || b != kGarbage;
  answer.Info = record.Info;
  answer.HostCss = ReceiveText(record.Info.pchHostCss);
  answer.HostNS = ReceiveText(record.Info.pchHostNS);
  return answer;
}

HRESULT TTestDoubleEngine::TranslateAccelerator(UINT message, WPARAM key,
                                                std::initializer_list<BYTE> keysDown) const {
  ComPtr<IDocHostUIHandler> handler = UIHandler();
  if (!handler) return E_NOINTERFACE;
  BYTE saved[256];
  GetKeyboardState(saved);
  BYTE state[256] = {};
  for (BYTE down : keysDown) state[down] = 0x80;
  const auto either = [&](int generic, int left, int right) {
    state[generic] |= state[left] | state[right];
  };
  either(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
  either(VK_MENU, VK_LMENU, VK_RMENU);
  either(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
  SetKeyboardState(state);
  MSG msg{};
  msg.hwnd = FControl.Window();
  msg.message = message;
  msg.wParam = key;
  msg.time = static_cast<DWORD>(GetMessageTime());
  const HRESULT result = handler->TranslateAccelerator(&msg, nullptr, 0);
  SetKeyboardState(saved);
  return result;
}

HRESULT TTestDoubleEngine::ShowContextMenu(DWORD id, POINT at, IUnknown* commandTarget,
                                           IDispatch* context) const {
  IDocHostUIHandler* handler = Lent(UIHandler());
  return handler ? handler->ShowContextMenu(id, &at, commandTarget, context) : E_NOINTERFACE;
}

HRESULT TTestDoubleEngine::ShowScriptError(IUnknown* document, VARIANT& out) const {
  VARIANT in;
  V_VT(&in) = VT_UNKNOWN;
  V_UNKNOWN(&in) = document;  // lent for the call, as the engine lends it
  return Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, &in, &out);
}

HRESULT TTestDoubleEngine::Exec(const GUID* group, DWORD command, VARIANT* in, VARIANT* out) const {
  IOleCommandTarget* target = Lent(CommandTarget());
  return target ? target->Exec(group, command, OLECMDEXECOPT_DODEFAULT, in, out) : E_NOINTERFACE;
}

TTextAnswer TTestDoubleEngine::TranslateUrl(const wchar_t* url) const {
  std::wstring in(url ? url : L"");
  return AskText([&](wchar_t** out) { return UIHandler()->TranslateUrl(0, in.data(), out); });
}

TTextAnswer TTestDoubleEngine::GetOptionKeyPath() const {
  return AskText([&](wchar_t** out) { return UIHandler()->GetOptionKeyPath(out, 0); });
}

TTextAnswer TTestDoubleEngine::GetOverrideKeyPath() const {
  return AskText([&](wchar_t** out) { return UIHandler2()->GetOverrideKeyPath(out, 0); });
}

TTextAnswer TTestDoubleEngine::AskText(const std::function<HRESULT(wchar_t** out)>& ask) const {
  if (!UIHandler2()) return {};
  wchar_t* out = kPassedIn;
  const HRESULT result = ask(&out);
  return Receive(result, out);
}

HRESULT TTestDoubleEngine::ShowMessage(const wchar_t* text, const wchar_t* caption, DWORD type,
                                       LRESULT& result) const {
  ComPtr<IDocHostShowUI> showUI = ShowUI();
  if (!showUI) return E_NOINTERFACE;
  std::wstring body(text), title(caption);
  return showUI->ShowMessage(FControl.Window(), body.data(), title.data(), type, nullptr, 0,
                             &result);
}

HRESULT TTestDoubleEngine::ShowHelp(const wchar_t* helpFile, UINT command, DWORD data) const {
  ComPtr<IDocHostShowUI> showUI = ShowUI();
  if (!showUI) return E_NOINTERFACE;
  std::wstring file(helpFile ? helpFile : L"");
  return showUI->ShowHelp(FControl.Window(), helpFile ? file.data() : nullptr, command, data,
                          POINT{}, nullptr);
}

}  // namespace kvx::test
