#pragma once
// The shell's own texts. Kept here as UTF-16 literals so the source reads
// naturally; they become GBK (code page 936) where the system's 8-bit texts
// are needed.

#include <string_view>

namespace kvx::texts {

inline constexpr std::wstring_view Caption = L"Korvexa企业业务流程系统";
inline constexpr std::wstring_view ExitCaption = L"退出系统";
inline constexpr std::wstring_view NoticeTitle = L"提示信息";
inline constexpr std::wstring_view CloseQuestion =
    L"你查看的网页正在试图关闭窗口。\r\n\r\n是否关闭此窗口？";
inline constexpr std::wstring_view MissingAddress = L"请先在korvexa.ini中配置访问地址！";

// korvexa.ini
inline constexpr std::wstring_view IniFileName = L"korvexa.ini";
inline constexpr std::wstring_view SystemSection = L"系统设置";
inline constexpr std::wstring_view ServerSection = L"服务器";
inline constexpr std::wstring_view AllowSeveralKey = L"允许多开";
inline constexpr std::wstring_view AllowResizeKey = L"允许调整窗体大小";
inline constexpr std::wstring_view AddressKey = L"地址";
inline constexpr std::wstring_view Yes = L"是";
inline constexpr std::wstring_view No = L"否";

// Where a user-started shell goes when korvexa.ini names no server: the
// conventional intranet host name of the business-process server.
inline constexpr std::wstring_view DefaultServerHost = L"korvexa-server";

inline constexpr std::wstring_view ButtonCaption = L"Button1";
inline constexpr std::wstring_view EditText = L"function te() {uf_shenpi()};";

}  // namespace kvx::texts
