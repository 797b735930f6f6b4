// Feeds arbitrary message buffers through the launcher text grammar exactly
// as the shell reads them: bounded by the message size, never by a NUL.

#include "core/CodePage.h"
#include "core/LauncherText.h"
#include "core/Text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Items whose quoting would put a quote right after a GBK lead byte (or end
// on one) cannot come back unchanged: the lead byte takes the quote along.
bool QuotesRoundTrip(const std::string& item) {
  for (std::size_t i = 0; i < item.size(); ++i) {
    if (!kvx::IsGbkLeadByte(static_cast<unsigned char>(item[i]))) continue;
    if (i + 1 >= item.size() || item[i + 1] == '"') return false;
    ++i;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size heap copy, so reading one byte too far is an ASan report.
  std::vector<char> buffer(data, data + size);
  std::string_view text = kvx::LauncherMessageText(size ? buffer.data() : nullptr, size);
  Check(text.size() <= size);

  std::vector<std::string> items = kvx::SplitLauncherText(text);
  std::size_t itemBytes = 0;
  for (const auto& item : items) {
    itemBytes += item.size();
    Check(item.find('\0') == std::string::npos);
  }
  Check(itemBytes <= text.size());

  // Anything after a NUL never changes the items.
  std::string padded(text);
  padded.push_back('\0');
  padded.append("\",x, y");
  Check(kvx::SplitLauncherText(padded) == items);

  // Quoting every item and joining them with commas gives the items back.
  bool roundTrip = !items.empty();
  std::string joined;
  for (const auto& item : items) {
    roundTrip = roundTrip && QuotesRoundTrip(item);
    joined += (joined.empty() ? "" : ",") + kvx::QuoteLauncherItem(item);
  }
  if (roundTrip) Check(kvx::SplitLauncherText(joined) == items);

  if (items.size() == 1) {
    kvx::ClassifyLauncherItem(items[0]);
  } else {
    kvx::TDockConversion dock = kvx::ConvertDockGeometry(items);
    Check(dock.Converted <= 4);
    Check(dock.Complete() == dock.Error.empty());
    for (std::size_t i = 0; i < dock.Converted; ++i)
      Check(kvx::ParseInt32(items[i]) == dock.Values[i]);
    if (dock.Complete()) {
      // The report is canonical ("+5" comes back as "5"), so compare values.
      std::vector<std::string> report = kvx::SplitLauncherText(kvx::FormatGeometryReport(
          dock.Values[0], dock.Values[1], dock.Values[2], dock.Values[3]));
      Check(report.size() == 4);
      for (std::size_t i = 0; i < 4; ++i) Check(kvx::ParseInt32(report[i]) == dock.Values[i]);
    }
  }
  return 0;
}
