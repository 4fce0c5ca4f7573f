#pragma once

namespace kestrilo {

// How long the chinaz and 5guanjianci sources wait after each keyword, so
// the keywords show up one by one. The command line sets it; tests use 0.
struct SourcePacing {
  int keyword_wait_ms = 50;
};

}  // namespace kestrilo
