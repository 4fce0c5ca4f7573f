#include "cli/seed_miner.h"

#include <algorithm>
#include <mutex>
#include <thread>

#include "cli/reporting_requests.h"
#include "mining/mining_run.h"
#include "mining/recipe_source.h"

namespace kestrilo {

// A window, its engines and a run of every source, for one seed at a time.
struct SeedMiner::Worker {
  Worker(const std::vector<SourceRecipe>& recipes, const MinerSettings& settings,
         TerminalReport& report, HostGate& gate, const RunStop& stop)
      : window(report, settings.jobs == 1),
        requests(report, settings.timeout_seconds, gate),
        run(window, requests,
            Watched(MakeKeywordSources(recipes, settings.pace_ms), report, settings.warn)) {
    window.StopWhen(&stop.Flag());
  }

  // Each source shows on the progress line while it works, and what it
  // adds to the list goes to the seed's harvest under its name. Afterwards
  // the verbose report says what it appended, and a source whose site
  // answered but whose markers cut nothing is named even without
  // --verbose: that is how a changed site shows.
  std::vector<KeywordSource> Watched(std::vector<KeywordSource> sources, TerminalReport& report,
                                     bool warn) {
    const int total = static_cast<int>(sources.size());
    for (int i = 0; i < total; ++i) {
      KeywordSource& source = sources[i];
      source.step = [this, &report, warn, number = i + 1, total, name = source.name,
                     step = std::move(source.step)](SourceContext& context) {
        window.SetSource(number, total, name);
        requests.TakeTally();
        window.Results().TakeAppended();
        const int before = report.Verbose() ? window.KeywordCount() : 0;
        if (step) step(context);
        harvest->added.emplace_back(name, window.Results().TakeAppended());
        // Lines, not items: a source's text may cut into several lines or none.
        if (report.Verbose()) {
          report.Detail(name + ": " + std::to_string(window.KeywordCount() - before) +
                        " lines appended");
        }
        const RequestTally tally = requests.TakeTally();
        if (warn && tally.replies > 0 && context.Current().keywords == 0) {
          report.Line("kestrilo-cli: warning: " + name + ": the reply (" + tally.first + ", " +
                      std::to_string(tally.bytes) +
                      " bytes) gave no keywords; the site may have changed (see --check)");
        }
      };
    }
    return sources;
  }

  TerminalWindow window;
  ReportingRequests requests;
  MiningRun run;
  Harvest* harvest = nullptr;
};

SeedMiner::SeedMiner(const std::vector<SourceRecipe>& recipes, const MinerSettings& settings,
                     TerminalReport& report, RunStop& stop)
    : settings_(settings),
      report_(report),
      stop_(stop),
      gate_(std::chrono::milliseconds(settings.pace_ms), &stop) {
  for (int i = 0; i < std::max(settings.jobs, 1); ++i) {
    workers_.push_back(std::make_unique<Worker>(recipes, settings_, report, gate_, stop));
  }
}

SeedMiner::~SeedMiner() = default;

// Every seed starts from an empty list: what its run finds is the harvest,
// and the runs' lists are joined in the seeds' order afterwards.
void SeedMiner::MineOne(Worker& worker, Harvest& harvest, int depth, int seeds_done,
                        int seeds_total) {
  worker.harvest = &harvest;
  ++seeds_started_;
  if (settings_.several_levels) worker.window.SetLevel(depth, seeds_done, seeds_total - seeds_done);
  worker.window.ResultBox().SetContent({});
  worker.window.Results().TakeAppended();
  worker.window.KeywordBox().SetContent(harvest.seed);
  worker.run.Run();
}

void SeedMiner::MineLevel(const std::vector<Text>& seeds, int depth,
                          const std::function<void(Harvest&)>& take,
                          const std::function<std::size_t()>& list_size,
                          const std::function<bool(const Text&)>& listed) {
  std::vector<Harvest> harvests(seeds.size());
  for (std::size_t i = 0; i < seeds.size(); ++i) harvests[i] = {seeds[i], depth, {}};
  const int total = static_cast<int>(seeds.size());

  // One at a time, on this thread: the window draws its own progress line,
  // counting against the list as taken so far.
  if (workers_.size() == 1) {
    Worker& worker = *workers_.front();
    for (std::size_t i = 0; i < seeds.size() && !stop_.Requested(); ++i) {
      worker.window.SetListBefore(list_size(), listed);
      MineOne(worker, harvests[i], depth, static_cast<int>(i), total);
      take(harvests[i]);
    }
    return;
  }

  std::mutex mutex;  // over the counts below and the calls of `take`
  std::vector<bool> done(seeds.size(), false);
  std::size_t next = 0;
  std::size_t taken = 0;
  int finished = 0;
  const auto show = [&] {
    report_.Progress("level " + std::to_string(depth) + ": " + std::to_string(finished) + "/" +
                     std::to_string(total) + " seeds done, " +
                     std::to_string(static_cast<int>(next) - finished) + " at work, " +
                     std::to_string(list_size()) + " keywords");
  };
  const auto work = [&](Worker& worker) {
    for (;;) {
      std::size_t index = 0;
      {
        const std::lock_guard lock(mutex);
        if (next == seeds.size() || stop_.Requested()) return;
        index = next++;
        show();
      }
      MineOne(worker, harvests[index], depth, static_cast<int>(index), total);
      const std::lock_guard lock(mutex);
      done[index] = true;
      ++finished;
      for (; taken < seeds.size() && done[taken]; ++taken) take(harvests[taken]);
      show();
    }
  };
  {
    std::vector<std::jthread> threads;
    const std::size_t count = std::min(workers_.size(), seeds.size());
    for (std::size_t i = 0; i < count; ++i) threads.emplace_back(work, std::ref(*workers_[i]));
  }
  // After a stop: the seeds begun, with what they found before it.
  for (; taken < next; ++taken) take(harvests[taken]);
  report_.ClearProgress();
}

int SeedMiner::Requests() const {
  int sum = 0;
  for (const auto& worker : workers_) sum += worker->requests.Requests();
  return sum;
}

int SeedMiner::Replies() const {
  int sum = 0;
  for (const auto& worker : workers_) sum += worker->requests.Replies();
  return sum;
}

}  // namespace kestrilo
