#pragma once

#include <vector>

#include "mining/keyword_source.h"

namespace kestrilo {

// The query button's job: ask every source in turn for keywords of the seed
// in the keyword box, append them to the result box as they come, then
// remove duplicate lines and report completion.
class MiningRun {
 public:
  static constexpr int kProgressPerSource = 10;

  MiningRun(MiningWindow& window, RequestRoutines& requests, std::vector<KeywordSource> sources);

  // Runs to completion. Refuses an empty seed with a message; does nothing
  // when called again while a run is under way (events are processed inside
  // a run, so a second click can arrive there).
  void Run();

  bool IsRunning() const { return running_; }
  int SourceCount() const { return static_cast<int>(sources_.size()); }
  const MiningState& State() const { return state_; }

 private:
  void StepProgress();
  void SetStatus(const Text& text);
  Text CompletionMessage() const;

  MiningWindow& window_;
  RequestRoutines& requests_;
  std::vector<KeywordSource> sources_;
  MiningState state_;
  bool running_ = false;
};

}  // namespace kestrilo
