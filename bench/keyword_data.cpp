#include "keyword_data.h"

#include <string_view>
#include <vector>

#include "runtime/gbk.h"

namespace kestrilo::bench {
namespace {

// Characters that fill real keyword lists: goods, places, qualities, verbs.
constexpr std::string_view kCommonCharacters =
    "手机壳膜电脑笔记本平板耳机充电器数据线键盘鼠标显示器相机镜头音箱路由器"
    "衣服裤子鞋子帽子包袋裙外套衬衫毛衣羽绒服运动休闲男女童装婴儿孕妇老人"
    "价格多少钱报价便宜正品官方旗舰店专卖网购批发团购优惠折扣包邮秒杀特价"
    "怎么如何哪个什么为什么可以能否好用推荐排行榜评测对比区别选择购买攻略"
    "北京上海广州深圳杭州成都武汉南京西安重庆天津苏州郑州长沙青岛厦门宁波"
    "新款最新款二手维修保养清洗安装下载教程视频图片大全软件游戏免费破解版"
    "红黑白蓝绿黄紫粉灰色大小长短高低厚薄轻重快慢新旧美丽漂亮时尚简约经典"
    "家用办公学生儿童户外旅游汽车厨房卫生间卧室客厅阳台花园宠物狗猫鱼鸟"
    "食品水果蔬菜零食茶叶咖啡牛奶酒饮料米面油盐糖医院药品保健美容化妆护肤"
    "学习考试英语数学语文培训学校大学公司工作招聘兼职创业投资理财银行保险";

constexpr std::string_view kAsciiParts[] = {
    "iphone", "15",  "pro",    "max",  "vivo", "oppo", "redmi", "note", "2024", "x9",
    "5g",     "usb", "type-c", "wifi", "ps5",  "mini", "plus",  "128g", "s23",  "mate60"};

const std::vector<Text>& GbkCharacters() {
  static const std::vector<Text> characters = [] {
    const Text all = GbkFromUtf8(kCommonCharacters);
    std::vector<Text> list;
    for (std::size_t i = 0; i + 1 < all.size(); i += 2) list.push_back(all.substr(i, 2));
    return list;
  }();
  return characters;
}

Text ChineseWord(Random& random, std::size_t min_chars, std::size_t max_chars) {
  const std::vector<Text>& characters = GbkCharacters();
  const std::size_t n = min_chars + random.Below(max_chars - min_chars + 1);
  Text word;
  for (std::size_t i = 0; i < n; ++i) word += characters[random.Below(characters.size())];
  return word;
}

std::string_view AsciiPart(Random& random) {
  return kAsciiParts[random.Below(std::size(kAsciiParts))];
}

}  // namespace

std::uint64_t Random::Next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

Text KeywordLines(std::size_t lines) {
  Random random(20240601);
  std::vector<std::size_t> starts;  // where each fresh line begins in `list`
  std::vector<std::size_t> lengths;
  Text list;
  list.reserve(lines * 14);
  for (std::size_t i = 0; i < lines; ++i) {
    if (!starts.empty() && random.Below(10) < 3) {
      const std::size_t earlier = random.Below(starts.size());
      // Copy first: appending may move the buffer the piece lives in.
      const Text line = list.substr(starts[earlier], lengths[earlier]);
      list += line;
      list += '\n';
      continue;
    }
    Text line = ChineseWord(random, 2, 7);
    switch (random.Below(10)) {
      case 0: line = Text(AsciiPart(random)) + line; break;
      case 1: line += AsciiPart(random); break;
      case 2: line += ' ' + ChineseWord(random, 1, 3); break;
      default: break;
    }
    starts.push_back(list.size());
    lengths.push_back(line.size());
    list += line;
    list += '\n';
  }
  return list;
}

Text MixedText(std::size_t bytes) {
  Random random(7);
  Text text;
  text.reserve(bytes + 64);
  while (text.size() < bytes) {
    switch (random.Below(8)) {
      case 0: text += AsciiPart(random); break;
      case 1: text += std::to_string(random.Below(100000)); break;
      case 2: text += "\r\n"; break;
      default: text += ChineseWord(random, 1, 6); break;
    }
    text += ' ';
  }
  return text;
}

Text MarkedPage(std::size_t bytes, const Text& left, const Text& right) {
  Random random(11);
  Text page;
  page.reserve(bytes + 256);
  while (page.size() < bytes) {
    // About 100 bytes from one left marker to the next, markers included.
    page += "<span>";
    page += ChineseWord(random, 6, 16);
    page += "</span>";
    page += left;
    page += ChineseWord(random, 2, 6);
    page += right;
    page += std::to_string(random.Below(1000));
    page += "\">more</a></li>\n";
  }
  return page;
}

}  // namespace kestrilo::bench
