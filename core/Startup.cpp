#include "core/Startup.h"

#include "core/Text.h"

#include <optional>

namespace kvx {

std::int32_t DockedWindowLeft(const TDockGeometry& dock) noexcept {
  return SaturatingAdd(dock.Left, dock.Offset);
}

TStartupPlan PlanStartup(const std::vector<std::string>& params) {
  TStartupPlan plan;
  if (params.size() < 4) return plan;

  std::int32_t* fields[] = {&plan.Dock.Left, &plan.Dock.Top, &plan.Dock.Offset, &plan.Dock.Height};
  for (size_t i = 0; i < 4; ++i) {
    std::optional<std::int32_t> value = ParseInt32(params[i]);
    if (!value) {
      // Neither placed nor navigated: the address is never looked at.
      plan.Mode = TStartMode::smFallback;
      plan.Dock = FallbackDockGeometry;
      return plan;
    }
    *fields[i] = *value;
  }
  plan.Mode = TStartMode::smPlaced;
  if (params.size() > 4) plan.Address = params[4];
  plan.Navigate = !TrimBlanks(plan.Address).empty();
  return plan;
}

bool IsCloseAddress(std::string_view url) {
  return AsciiUpperCase(url).find(AsciiUpperCase(CloseAddress)) != std::string::npos;
}

std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine) {
  std::vector<std::wstring> params;
  size_t i = 0;
  const size_t n = commandLine.size();
  for (;;) {
    while (i < n && commandLine[i] <= L' ') ++i;
    if (i >= n) break;
    std::wstring param;
    while (i < n && commandLine[i] > L' ') {
      if (commandLine[i] == L'"') {
        ++i;
        while (i < n && commandLine[i] != L'"') param.push_back(commandLine[i++]);
        if (i < n) ++i;
      } else {
        param.push_back(commandLine[i++]);
      }
    }
    params.push_back(std::move(param));
  }
  return params;
}

}  // namespace kvx
