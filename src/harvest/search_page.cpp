#include "harvest/search_page.h"

#include "text/regex_object.h"
#include "text/text_rules.h"
#include "text/text_slicing.h"

namespace qrh {

const char* const kHitPattern =
    "<a rpos=\"\" cpos=\"title\" href=\"(.*?)\" target=\"_blank\">\r\n(.*?)\r\n.*?</a>\r";
const char* const kSourcePattern = "<span>来自：(.*?)</span>";

Text CleanTitle(const Text& rawTitle) {
  static const std::vector<FindReplace> kPairs = {
      {"\"", ""}, {"<em>", ""}, {"</em>", ""}, {"?", ""}, {"em>", ""}};
  return TrimText(ReplaceMany(rawTitle, kPairs));
}

std::vector<SearchHit> ReadSearchPage(const Text& pageText) {
  RegexObject hits;
  RegexObject sources;
  hits.Search(kHitPattern, pageText);
  sources.Search(kSourcePattern, pageText);
  std::vector<SearchHit> result;
  for (int k = 1; k <= hits.MatchCount(); ++k) {
    result.push_back({hits.SubMatchText(k, 1), CleanTitle(hits.SubMatchText(k, 2)),
                      sources.SubMatchText(k, 1)});
  }
  return result;
}

}  // namespace qrh
