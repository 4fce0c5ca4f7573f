#pragma once

#include <string>
#include <vector>

#include "runtime/types.h"

namespace kestrilo {

// What one source did in the last run: its last reply, what each of its
// cuts took from it, and its tallies. The place to look when a source comes
// back empty.
struct SourceState {
  std::string name;
  Text reply;                  // the last reply, read as GBK
  Text first_cut_reply;        // the first reply its cuts worked on (page 1 of a paged one)
  std::vector<TextList> cuts;  // per cut: the keywords it took from that reply
  int page = 0;                // a paged source: the page asked last
  int requests = 0;
  int keywords = 0;  // taken by all its cuts, over every page
};

inline SourceState NewSourceState(std::string name) {
  SourceState state;
  state.name = std::move(name);
  return state;
}

// The working values of a run, one entry per source in run order. Every run
// overwrites them; they keep the last run's values afterwards.
struct MiningState {
  std::vector<SourceState> sources;
};

}  // namespace kestrilo
