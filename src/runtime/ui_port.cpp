#include "runtime/ui_port.h"

#include <atomic>
#include <cstdio>
#include <thread>

#include "runtime/gbk.h"

namespace kestrilo {
namespace {

HeadlessUiPort& DefaultPort() {
  static HeadlessUiPort port;
  return port;
}

std::atomic<UiPort*> g_port{nullptr};

}  // namespace

MsgBoxButton HeadlessUiPort::ShowMessageBox(const MsgBoxRequest& request) {
  const std::string line = Utf8FromGbk(request.text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return MsgBoxButton::kOk;
}

void HeadlessUiPort::Wait(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

UiPort& CurrentUiPort() {
  UiPort* port = g_port.load(std::memory_order_acquire);
  return port != nullptr ? *port : DefaultPort();
}

UiPort* InstallUiPort(UiPort* port) { return g_port.exchange(port, std::memory_order_acq_rel); }

int MsgBox(const Text& text, unsigned style, const std::optional<Text>& title,
           std::optional<std::uintptr_t> owner) {
  MsgBoxRequest request;
  request.text = text;
  request.title = title ? *title : "信息："_gbk;
  request.style = (style & kMbSystemModal) != 0 ? style : style | kMbTaskModal;
  request.owner = owner.value_or(0);
  return static_cast<int>(CurrentUiPort().ShowMessageBox(request));
}

void DoEvents() { CurrentUiPort().ProcessPendingEvents(); }

void Delay(int milliseconds) {
  if (milliseconds <= 0) return;
  CurrentUiPort().Wait(std::chrono::milliseconds(milliseconds));
}

}  // namespace kestrilo
