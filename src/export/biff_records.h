// Little-endian record writing for the BIFF8 workbook stream.
//
// A BIFF record is a 2-byte id, a 2-byte data length and at most 8,224 data
// bytes. RecordWriter appends records to a byte buffer and fills in each
// record's length when the record ends. Given a sink, it hands the buffer on
// between records once it has grown past a megabyte, so a whole workbook
// stream never has to be held at once; positions stay stream offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "text/text.h"

namespace qrh::biff {

// Largest data part of one record; longer data goes on in CONTINUE records.
constexpr std::size_t kMaxRecordData = 8224;

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kWindow1 = 0x003D;
constexpr std::uint16_t kFont = 0x0031;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kStyle = 0x0293;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kExtSst = 0x00FF;
constexpr std::uint16_t kWsBool = 0x0081;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kBlank = 0x0201;
constexpr std::uint16_t kWindow2 = 0x023E;

// Receives consecutive pieces of a stream; returns false to stop on a failure.
using ByteSink = std::function<bool(const char* data, std::size_t size)>;

class RecordWriter {
 public:
  // Without a sink every record stays in `out`.
  explicit RecordWriter(Bytes& out, const ByteSink* sink = nullptr) : out_(out), sink_(sink) {}

  // Starts a record; its length is written by End.
  void Begin(std::uint16_t id) {
    start_ = out_.size();
    U16(id);
    U16(0);
  }
  void End() {
    const std::size_t length = out_.size() - start_ - 4;
    out_[start_ + 2] = static_cast<char>(length & 0xFF);
    out_[start_ + 3] = static_cast<char>((length >> 8) & 0xFF);
  }

  // Data bytes written so far into the current record.
  std::size_t DataSize() const { return out_.size() - start_ - 4; }
  // Stream offsets of the current record and of the next byte.
  std::uint64_t RecordStart() const { return base_ + start_; }
  std::uint64_t Position() const { return base_ + out_.size(); }

  void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(std::uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out_.append(b, 2);
  }
  void U32(std::uint32_t v) {
    const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
    out_.append(b, 4);
  }

  Bytes& Buffer() { return out_; }

  // Between records: passes the buffer to the sink once it is large.
  void MaybeFlush() {
    if (sink_ != nullptr && out_.size() >= kFlushBytes) Flush();
  }
  // Between records: passes everything buffered to the sink. Returns false
  // once the sink has failed.
  bool Flush() {
    if (sink_ != nullptr && !out_.empty()) {
      if (ok_) ok_ = (*sink_)(out_.data(), out_.size());
      base_ += out_.size();
      out_.clear();
      start_ = 0;
    }
    return ok_;
  }

 private:
  static constexpr std::size_t kFlushBytes = 1 << 20;

  Bytes& out_;
  const ByteSink* sink_;
  std::uint64_t base_ = 0;  // stream offset of out_[0]
  std::size_t start_ = 0;   // the current record's index in out_
  bool ok_ = true;
};

}  // namespace qrh::biff
