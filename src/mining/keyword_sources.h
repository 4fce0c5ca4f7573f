#pragma once

#include <vector>

#include "mining/keyword_source.h"
#include "mining/source_pacing.h"

namespace kestrilo {

// The six sources in the order a run asks them: Baidu suggestion, Sogou,
// chinaz, 5guanjianci, Taobao, Baidu mobile.
std::vector<KeywordSource> MakeKeywordSources(const SourcePacing& pacing = {});

}  // namespace kestrilo
