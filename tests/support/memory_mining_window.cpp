#include "support/memory_mining_window.h"

#include "runtime/gbk.h"

namespace kestrilo::testing {

// Set up as the main window is at start: the clock part and the status part
// with its waiting text, the export button captioned and enabled.
MemoryMiningWindow::MemoryMiningWindow() : export_button("导出"_gbk) {
  StatusPart part;
  status.AddPart(part);
  part.text = "等待操作中..."_gbk;
  status.AddPart(part);
}

void MemoryMiningWindow::ShowMessage(const Text& text) {
  messages.push_back({text, StatusText(), export_button.IsEnabled(), progress.Position()});
}

Text CannedRequests::WebRequest(const Text& address, const Text& headers) {
  calls.push_back({true, address, headers});
  const auto reply = replies.find(address);
  return reply == replies.end() ? Text{} : reply->second;
}

Text CannedRequests::InetRequestText(const Text& address, const Text& headers) {
  calls.push_back({false, address, headers});
  const auto reply = replies.find(address);
  return reply == replies.end() ? Text{} : reply->second;
}

}  // namespace kestrilo::testing
