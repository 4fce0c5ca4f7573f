#include "mining/keyword_sources.h"

#include "mining/page_sources.h"
#include "mining/suggestion_sources.h"

namespace kestrilo {

std::vector<KeywordSource> MakeKeywordSources(const SourcePacing& pacing) {
  return {BaiduSuggestSource(),  SogouSuggestSource(),  ChinazIndexSource(pacing),
          WordLibSource(pacing), TaobaoSuggestSource(), BaiduMobileSource()};
}

}  // namespace kestrilo
