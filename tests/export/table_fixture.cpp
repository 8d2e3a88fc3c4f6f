#include "export/table_fixture.h"

namespace qrh::test {

const TextArray& ExportTitles() {
  static const TextArray titles = {"ID",   "群/公众号名称", "URL",    "来自",
                                   "简介", "行业",          "时间",   "地区",
                                   "标签", "微信号",        "二维码图片", "工作状态"};
  return titles;
}

}  // namespace qrh::test
