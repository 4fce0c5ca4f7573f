// kestrilo-fake-sites [DELAY_MS]
//
// Serves the fake keyword sites on loopback for a kestrilo-cli run that
// is timed from outside, each reply DELAY_MS (0) late, as a distant site's
// would be. Prints one "connect-to RULE" line per site, a "cacert FILE"
// line and "ready", then serves until its standard input closes (or it is
// killed).

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "support/fake_sites.h"

int main(int argc, char** argv) {
  // The fixtures live in the source tree; a run from anywhere finds them.
  setenv("KESTRILO_FIXTURES", KESTRILO_FIXTURE_DIR, /*overwrite=*/0);
  kestrilo::testing::FakeSites sites;
  if (argc > 1) sites.SetReplyDelay(std::chrono::milliseconds(std::atoll(argv[1])));
  for (const std::string& rule : sites.Routes()) std::printf("connect-to %s\n", rule.c_str());
  std::printf("cacert %s\nready\n", sites.CaFile().c_str());
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  return 0;
}
