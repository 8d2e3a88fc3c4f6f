#include "listings.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace demo {
namespace {

const char* const kCities[] = {"深圳", "北京", "上海", "广州", "杭州", "成都",
                               "武汉", "南京", "西安", "重庆", "苏州", "长沙"};
const char* const kSuffixes[] = {"交流群", "互助群", "资源分享群", "同城群",
                                 "学习群", "福利群", "团购群", "爱好者群"};
const char* const kIndustries[] = {"生活", "教育", "IT互联网", "电商", "旅游",
                                   "金融", "游戏", "健身", "美食", "汽车"};
// Regions repeat across listings; one of them has a space inside.
const char* const kRegions[] = {"广东 深圳", "北京", "上海", "浙江", "四川",
                                "湖北", "江苏", "陕西", "重庆", "湖南"};
const char* const kTags[] = {"交友 同城", "学习 考试", "兼职", "宝妈 育儿",
                             "数码 科技", "旅行 摄影", "理财", "游戏 开黑"};
const char* const kTopics[] = {"欢迎大家进群交流心得", "每天分享最新资讯",
                               "群内禁止发广告", "有问题可以随时提问",
                               "进群请修改备注", "定期组织线下活动"};

template <typename T, std::size_t N>
const char* Pick(T (&items)[N], std::uint64_t h) {
  return items[h % N];
}

// Days from 1970-01-01 to a civil date, and back.
long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::string CivilFromDays(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const long d = doy - (153 * mp + 2) / 5 + 1;
  const long m = mp + (mp < 10 ? 3 : -9);
  const long y = yoe + era * 400 + (m <= 2);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", static_cast<int>(y),
                static_cast<int>(m), static_cast<int>(d));
  return buffer;
}

Listing MakeListing(int id) {
  const std::uint64_t h = Mix(static_cast<std::uint64_t>(id) * 0x9E3779B97F4A7C15ull);
  Listing l;
  l.id = id;
  l.city = Pick(kCities, h);
  l.suffix = Pick(kSuffixes, h >> 8);
  // Some titles carry a double quote, a question mark or a trailing space,
  // as the real directory's do.
  if (id % 9 == 2) l.suffix = "\"" + l.suffix + "\"";
  if (id % 10 == 7) l.suffix += "?";
  if (id % 4 == 1) l.suffix += " ";
  const int kind = static_cast<int>((h >> 16) % 6);
  l.source = kind < 4 ? "微信群" : kind == 4 ? "个人微信" : "公众号";
  l.description.push_back(std::string(l.city) + Pick(kTopics, h >> 20));
  if (id % 3 == 0) l.description.push_back(Pick(kTopics, h >> 24));
  l.descriptionIndented = id % 5 == 2;
  l.industryId = static_cast<int>((h >> 28) % 10) + 1;
  l.industry = kIndustries[l.industryId - 1];
  l.ageDays = id % 5 == 0 ? 0 : static_cast<int>((h >> 32) % 60);
  l.date = CivilFromDays(DaysFromCivil(2024, 6, 1) - l.ageDays);
  l.regionId = static_cast<int>((h >> 36) % 10) + 1;
  l.region = kRegions[l.regionId - 1];
  l.hasRegion = id % 17 != 9;
  l.tags = Pick(kTags, h >> 40);
  l.hasIdBlock = l.source != "公众号";
  if (id % 7 != 3) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "wx_%s%04d",
                  l.source == "个人微信" ? "me" : "qun", static_cast<int>((h >> 44) % 10000));
    l.wechatId = buffer;
  }
  l.hasQrBlock = id % 11 != 4;
  l.gone = id % 13 == 5;
  return l;
}

}  // namespace

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

std::uint64_t HashText(const std::string& text) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  return Mix(h);
}

std::vector<Listing> MakeListings(int count) {
  std::vector<Listing> listings;
  for (int id = 1; id <= count; ++id) listings.push_back(MakeListing(id));
  return listings;
}

std::vector<const Listing*> Search(const std::vector<Listing>& listings,
                                   const std::string& keyword, long maxAgeMinutes) {
  std::vector<const Listing*> hits;
  if (keyword.empty() || listings.empty()) return hits;
  const std::uint64_t h = HashText(keyword);
  const std::size_t n = listings.size();
  // 20 to 30 listings per keyword, visited with a stride coprime to n.
  const std::size_t wanted = std::min<std::size_t>(n, 20 + h % 11);
  std::size_t stride = 1 + (h >> 8) % n;
  while (std::gcd(stride, n) != 1) ++stride;
  std::size_t at = (h >> 24) % n;
  for (std::size_t i = 0; i < wanted; ++i, at = (at + stride) % n) {
    const Listing& l = listings[at];
    if (maxAgeMinutes > 0 && static_cast<long>(l.ageDays) * 1440 >= maxAgeMinutes) continue;
    hits.push_back(&l);
  }
  return hits;
}

}  // namespace demo
