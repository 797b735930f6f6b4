#pragma once
// Errors of calls into an ActiveX control: one type carrying the HRESULT, with
// the control's own description when it gave one, else the system's text.

#include "toolkit/Win.h"

#include "toolkit/Exceptions.h"

#include <oaidl.h>

#include <string>
#include <string_view>

namespace kvx {

// Any failure reported by a control or by OLE.
class EOleError : public Exception {
 public:
  EOleError(HRESULT errorCode, std::string message)
      : Exception(std::move(message)), FErrorCode(errorCode) {}
  HRESULT ErrorCode() const noexcept { return FErrorCode; }

 private:
  HRESULT FErrorCode;
};

// A failure known only by its HRESULT: the message is the system's text for it.
class EOleSysError : public EOleError {
 public:
  explicit EOleSysError(HRESULT errorCode);
};

// A failure the control described itself (an exception from IDispatch::Invoke
// or the thread's error information).
class EOleException : public EOleError {
 public:
  EOleException(HRESULT errorCode, std::string_view description, std::wstring source,
                std::wstring helpFile, DWORD helpContext);
  const std::wstring& Source() const noexcept { return FSource; }
  const std::wstring& HelpFile() const noexcept { return FHelpFile; }
  DWORD HelpContext() const noexcept { return FHelpContext; }

 private:
  std::wstring FSource;
  std::wstring FHelpFile;
  DWORD FHelpContext;
};

// A control that does not offer an interface the host relies on.
class EIntfCastError : public Exception {
 public:
  EIntfCastError() : Exception("Interface not supported") {}
};

// The system's message for an HRESULT (trimmed), or "OLE error %.8x".
std::string OleErrorMessage(HRESULT errorCode);

// Drops trailing blanks, control characters and full stops.
std::wstring TrimDescription(std::wstring_view text);

// Raises the system error for `errorCode`.
[[noreturn]] void OleError(HRESULT errorCode);

// Raises the system error when `errorCode` is a failure.
inline void OleCheck(HRESULT errorCode) {
  if (FAILED(errorCode)) OleError(errorCode);
}

// After a failed call of a control's interface method: raises the control's
// description from the thread's error information when it left one, else
// the system error. Clear the error information before the call
// (ClearErrorInfo) so an old description cannot be picked up.
[[noreturn]] void OleCallError(HRESULT errorCode);
inline void OleCallCheck(HRESULT errorCode) {
  if (FAILED(errorCode)) OleCallError(errorCode);
}
inline void ClearErrorInfo() noexcept {
  SetErrorInfo(0, nullptr);
}

// Raises the control's description carried by an EXCEPINFO (from
// DISP_E_EXCEPTION) and frees the record's strings.
[[noreturn]] void OleExceptionError(HRESULT errorCode, EXCEPINFO& info);

}  // namespace kvx
