#pragma once

// Mines the seeds of one level, up to a given number at once, each in a
// window of its own, and hands over what each seed's sources added in the
// seeds' order, whatever order they finish in: the list, the ledger and
// the next level come out as they would one seed at a time.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/host_gate.h"
#include "cli/run_stop.h"
#include "cli/terminal_window.h"
#include "mining/source_recipe.h"
#include "runtime/types.h"

namespace kestrilo {

// What one seed's sources added to its list, each source's lines with
// "\r\n" behind every keyword, in the order the sources ran.
struct Harvest {
  Text seed;
  int depth = 1;
  std::vector<std::pair<std::string, Text>> added;  // source name, lines
};

struct MinerSettings {
  int jobs = 1;
  int pace_ms = 0;
  std::optional<int> timeout_seconds;
  bool warn = true;  // name a source whose reply gave no keywords
  bool several_levels = false;
};

class SeedMiner {
 public:
  // A stop of `stop` ends the work at once: transfers are the caller's to
  // cancel, the waits at the sites end here.
  SeedMiner(const std::vector<SourceRecipe>& recipes, const MinerSettings& settings,
            TerminalReport& report, RunStop& stop);
  ~SeedMiner();
  SeedMiner(const SeedMiner&) = delete;
  SeedMiner& operator=(const SeedMiner&) = delete;

  // Mines `seeds`, all of level `depth`, and calls `take` with each seed's
  // harvest in the seeds' order: a seed's as soon as it and every seed
  // before it are done, and after a stop the ones begun, cut short, at the
  // end. The progress shows the keywords taken so far, `list_size` of
  // them, of which `listed` tells whether it holds one.
  void MineLevel(const std::vector<Text>& seeds, int depth,
                 const std::function<void(Harvest&)>& take,
                 const std::function<std::size_t()>& list_size,
                 const std::function<bool(const Text&)>& listed);

  int Requests() const;
  int Replies() const;
  // The seeds whose mining began, over every level.
  int SeedsStarted() const { return seeds_started_; }

 private:
  struct Worker;

  void MineOne(Worker& worker, Harvest& harvest, int depth, int seeds_done, int seeds_total);

  MinerSettings settings_;
  TerminalReport& report_;
  RunStop& stop_;
  HostGate gate_;
  std::atomic<int> seeds_started_{0};
  std::vector<std::unique_ptr<Worker>> workers_;
};

}  // namespace kestrilo
