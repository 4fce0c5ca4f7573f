#pragma once

// A main window in memory for mining tests: every control the run touches,
// with the history a test needs to check order (status texts, progress
// positions, messages and what the window looked like when each appeared).

#include <functional>
#include <map>
#include <vector>

#include "mining/mining_window.h"
#include "mining/request_routines.h"
#include "runtime/memory_controls.h"

namespace kestrilo::testing {

class RecordingStatusBar : public MemoryStatusBar {
 public:
  void SetPartText(int index, const Text& text) override {
    history.push_back({index, text});
    MemoryStatusBar::SetPartText(index, text);
  }
  struct Write {
    int index;
    Text text;
  };
  std::vector<Write> history;
};

class RecordingProgressBar : public MemoryProgressBar {
 public:
  RecordingProgressBar() : MemoryProgressBar(0, 60) {}
  void SetPosition(int position) override {
    MemoryProgressBar::SetPosition(position);
    history.push_back(Position());
  }
  std::vector<int> history;
};

class MemoryMiningWindow : public MiningWindow {
 public:
  MemoryMiningWindow();

  EditBox& KeywordBox() override { return keyword; }
  EditBox& ResultBox() override { return results; }
  ProgressBar& Progress() override { return progress; }
  StatusBar& Status() override { return status; }
  Button& ExportButton() override { return export_button; }
  void ShowMessage(const Text& text) override;
  bool IsClosing() const override { return closing; }

  // The status part's current text.
  Text StatusText() const { return status.Parts().at(kStatusPart).text; }

  MemoryEditBox keyword;
  MemoryEditBox results;
  RecordingProgressBar progress;
  RecordingStatusBar status;
  MemoryButton export_button;
  bool closing = false;

  struct Message {
    Text text;
    Text status;          // the status part while the box was open
    bool export_enabled;  // the export button while the box was open
    int progress;
  };
  std::vector<Message> messages;
};

// Request routines that answer from a table and remember every address.
class CannedRequests : public RequestRoutines {
 public:
  Text WebRequest(const Text& address, const Text& headers) override;
  Text InetRequestText(const Text& address, const Text& headers) override;

  std::map<Text, Text> replies;  // address -> reply; anything else fails (empty)
  struct Call {
    bool web;  // WebRequest rather than InetRequestText
    Text address;
    Text headers;
  };
  std::vector<Call> calls;
};

}  // namespace kestrilo::testing
