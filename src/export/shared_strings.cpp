#include "export/shared_strings.h"

#include <algorithm>
#include <functional>

namespace qrh {

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

bool FitsInOneByte(std::u16string_view s) {
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return c <= 0xFF; });
}

}  // namespace

std::u16string_view SharedStrings::At(std::uint32_t index) const {
  const std::size_t begin = starts_[index];
  const std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] : chars_.size();
  return std::u16string_view(chars_.data() + begin, end - begin);
}

std::size_t SharedStrings::Slot(std::u16string_view s) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = std::hash<std::u16string_view>{}(s)&mask;
  while (slots_[slot] != 0 && At(slots_[slot] - 1) != s) slot = (slot + 1) & mask;
  return slot;
}

void SharedStrings::Grow() {
  std::vector<std::uint32_t> old;
  old.swap(slots_);
  slots_.assign(old.empty() ? 1024 : old.size() * 2, 0);
  for (std::uint32_t entry : old) {
    if (entry != 0) slots_[Slot(At(entry - 1))] = entry;
  }
}

std::uint32_t SharedStrings::Add(std::u16string_view s) {
  if (2 * (starts_.size() + 1) > slots_.size()) Grow();
  const std::size_t slot = Slot(s);
  if (slots_[slot] != 0) return slots_[slot] - 1;
  const auto index = static_cast<std::uint32_t>(starts_.size());
  starts_.push_back(static_cast<std::uint32_t>(chars_.size()));
  chars_.insert(chars_.end(), s.begin(), s.end());
  slots_[slot] = index + 1;
  return index;
}

void SharedStrings::WriteRecords(biff::RecordWriter& w, std::uint32_t totalReferences) const {
  using biff::kMaxRecordData;
  const std::uint32_t count = Count();
  // EXTSST: one bucket per `bucketSize` strings, each pointing at the header
  // of its first string.
  const std::uint32_t bucketSize =
      std::min<std::uint32_t>(std::max<std::uint32_t>(count / 128 + 1, 8), 0xFFFF);
  struct Bucket {
    std::uint32_t streamOffset;
    std::uint16_t recordOffset;
  };
  std::vector<Bucket> buckets;

  w.Begin(biff::kSst);
  w.U32(totalReferences);
  w.U32(count);
  auto room = [&] { return kMaxRecordData - w.DataSize(); };
  auto nextContinue = [&] {
    w.End();
    w.MaybeFlush();
    w.Begin(biff::kContinue);
  };
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::u16string_view s = At(i);
    const bool compressed = FitsInOneByte(s);
    const std::size_t unit = compressed ? 1 : 2;
    // A string's header never stands apart from its first character.
    if (room() < 3 + (s.empty() ? 0 : unit)) nextContinue();
    if (i % bucketSize == 0) {
      buckets.push_back({static_cast<std::uint32_t>(w.Position()),
                         static_cast<std::uint16_t>(w.Position() - w.RecordStart())});
    }
    w.U16(static_cast<std::uint16_t>(s.size()));
    w.U8(compressed ? 0x00 : 0x01);
    std::size_t done = 0;
    while (done < s.size()) {
      std::size_t take = std::min(room() / unit, s.size() - done);
      // Never split a surrogate pair across records.
      if (!compressed && take > 0 && done + take < s.size() &&
          IsHighSurrogate(s[done + take - 1])) {
        --take;
      }
      if (take == 0) {
        // The characters go on in a CONTINUE record that starts with the
        // string's flags byte again.
        nextContinue();
        w.U8(compressed ? 0x00 : 0x01);
        continue;
      }
      Bytes& out = w.Buffer();
      for (std::size_t k = done; k < done + take; ++k) {
        out.push_back(static_cast<char>(s[k] & 0xFF));
        if (!compressed) out.push_back(static_cast<char>(s[k] >> 8));
      }
      done += take;
    }
  }
  w.End();

  w.Begin(biff::kExtSst);
  w.U16(static_cast<std::uint16_t>(bucketSize));
  for (const Bucket& b : buckets) {
    w.U32(b.streamOffset);
    w.U16(b.recordOffset);
    w.U16(0);
  }
  w.End();
}

}  // namespace qrh
