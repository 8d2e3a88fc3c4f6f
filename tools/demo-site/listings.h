// The listings of the demo directory site: a fixed, reproducible set of
// WeChat groups, personal accounts and official accounts, and the search over
// them. Every text here is UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

struct Listing {
  int id = 0;
  std::string city;
  std::string suffix;       // what follows the keyword in a hit's title
  std::string source;       // "微信群", "个人微信" or "公众号"
  std::vector<std::string> description;  // lines
  bool descriptionIndented = false;      // leading spaces before the first line
  std::string industry;
  int industryId = 0;
  int ageDays = 0;          // days since publication
  std::string date;         // publication date, YYYY-MM-DD
  bool hasRegion = true;
  std::string region;
  int regionId = 0;
  std::string tags;
  bool hasIdBlock = true;   // the WeChat id block is on the page
  std::string wechatId;     // empty: the block shows no id
  bool hasQrBlock = true;   // the QR image sits inside the marked block
  bool gone = false;        // the listing was deleted
};

// The whole directory: listings 1..count.
std::vector<Listing> MakeListings(int count);

// The search of the site: the listings a keyword finds, newest filter applied.
// maxAgeMinutes <= 0 keeps every age.
std::vector<const Listing*> Search(const std::vector<Listing>& listings,
                                   const std::string& keyword, long maxAgeMinutes);

constexpr int kHitsPerPage = 10;

std::uint64_t Mix(std::uint64_t x);
std::uint64_t HashText(const std::string& text);

}  // namespace demo
