#pragma once

#include "runtime/types.h"

namespace kestrilo {

// The working values of the sources. One set exists per main window and
// every run overwrites it; it keeps the last run's values afterwards, which
// makes it the place to look when a source comes back empty.
struct MiningState {
  Text baiduSuggestText;
  Text sogouSuggestText;
  Text chinazIndexText;
  int chinazPageNo = 0;
  Text chinazPageText;
  TextList chinazItems;
  int chinazItemNo = 0;
  Text wordLibText;
  TextList wordLibItems;
  int wordLibItemNo = 0;
  Text taobaoText;
  TextList taobaoItems;
  int taobaoItemNo = 0;
  Text mobileText;
  TextList mobileSpanItems;
  Text mobileRelatedText;
  TextList mobileRelatedItems;
  int mobileSpanItemNo = 0;
  int mobileRelatedItemNo = 0;
};

}  // namespace kestrilo
