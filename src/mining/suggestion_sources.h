#pragma once

// The query-suggestion services: one request each, one list of completions.

#include "mining/keyword_source.h"

namespace kestrilo {

KeywordSource BaiduSuggestSource();
KeywordSource SogouSuggestSource();
KeywordSource TaobaoSuggestSource();

}  // namespace kestrilo
