#pragma once

// The page-scraping sources: keywords cut out of ordinary HTML pages.

#include "mining/keyword_source.h"
#include "mining/source_pacing.h"

namespace kestrilo {

// A hostile or changed page could name any number of index pages.
inline constexpr int kMaxChinazPages = 500;

KeywordSource ChinazIndexSource(const SourcePacing& pacing);
KeywordSource WordLibSource(const SourcePacing& pacing);
KeywordSource BaiduMobileSource();

}  // namespace kestrilo
