#include "zip/streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/exceptions.h"
#include "platform/format.h"

namespace zip {

TS_BufferStream::TS_BufferStream(platform::Stream* underlying, int buffer_size)
    : capacity_(static_cast<size_t>(std::max(buffer_size, 1))) {
  Attach(underlying);
}

void TS_BufferStream::Attach(platform::Stream* underlying) {
  underlying_ = underlying;
  under_pos_ = underlying_ ? underlying_->Position() : 0;
}

TS_BufferStream::~TS_BufferStream() { Finish(); }

void TS_BufferStream::Finish() {
  if (finished_ || !underlying_) return;
  finished_ = true;
  if (state_ == kWriting) FlushBuffer();  // a failure here has nobody left to tell
  if (flush_on_destroy_ && written_) {
    if (auto* file = dynamic_cast<platform::FileStream*>(underlying_)) file->Handle().Flush();
  }
}

int64_t TS_BufferStream::BufferOffset() const {
  switch (state_) {
    case kReading: return static_cast<int64_t>(pos_) - static_cast<int64_t>(end_);
    case kWriting: return static_cast<int64_t>(pos_);
    default: return 0;
  }
}

void TS_BufferStream::DropBuffer() {
  pos_ = end_ = 0;
  state_ = kIdle;
}

int64_t TS_BufferStream::EffectiveSize() {
  return std::max(LogicalPosition(), underlying_->Size());
}

bool TS_BufferStream::FillBuffer() {
  const int64_t n = std::max<int64_t>(underlying_->Read(Room(), static_cast<int64_t>(capacity_)), 0);
  under_pos_ += n;
  pos_ = 0;
  end_ = static_cast<size_t>(n);
  state_ = n > 0 ? kReading : kIdle;
  if (OnFillBuffer) OnFillBuffer(this);
  return n > 0;
}

bool TS_BufferStream::FlushBuffer() {
  const int64_t n = static_cast<int64_t>(state_ == kWriting ? pos_ : 0);
  const int64_t done = n > 0 ? std::max<int64_t>(underlying_->Write(buffer_.data(), n), 0) : 0;
  under_pos_ += done;
  DropBuffer();
  if (OnFlushBuffer) OnFlushBuffer(this);
  return done == n;
}

int64_t TS_BufferStream::Read(void* buffer, int64_t count) {
  if (state_ == kWriting) FlushBuffer();
  if (state_ != kReading) pos_ = end_ = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t copied = 0;
  while (count > 0) {
    if (pos_ >= end_) {
      // Large reads bypass the buffer: the same bytes arrive with one copy less.
      if (count >= static_cast<int64_t>(capacity_)) {
        const int64_t n = std::max<int64_t>(underlying_->Read(out + copied, count), 0);
        under_pos_ += n;
        DropBuffer();
        copied += n;
        break;
      }
      if (!FillBuffer()) break;
    }
    const size_t n = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(end_ - pos_)));
    std::memcpy(out + copied, buffer_.data() + pos_, n);
    pos_ += n;
    copied += static_cast<int64_t>(n);
    count -= static_cast<int64_t>(n);
  }
  return copied;
}

int64_t TS_BufferStream::Write(const void* buffer, int64_t count) {
  if (state_ == kReading) {
    // The read-ahead is dropped: output goes where the reader stood.
    const int64_t here = LogicalPosition();
    under_pos_ = underlying_->Seek(here, platform::SeekOrigin::Begin);
    DropBuffer();
  }
  if (state_ != kWriting) {
    pos_ = 0;
    end_ = capacity_;
  }
  const auto* in = static_cast<const uint8_t*>(buffer);
  int64_t copied = 0;
  while (count > 0) {
    if (pos_ == 0 && count >= static_cast<int64_t>(capacity_)) {
      const int64_t n = std::max<int64_t>(underlying_->Write(in + copied, count), 0);
      under_pos_ += n;
      copied += n;
      break;
    }
    const size_t n = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(end_ - pos_)));
    std::memcpy(Room() + pos_, in + copied, n);
    pos_ += n;
    copied += static_cast<int64_t>(n);
    count -= static_cast<int64_t>(n);
    state_ = kWriting;
    if (pos_ == end_) {
      if (!FlushBuffer()) break;
      pos_ = 0;
      end_ = capacity_;
    }
  }
  state_ = pos_ > 0 ? kWriting : kIdle;
  if (state_ == kIdle) pos_ = end_ = 0;
  written_ = true;
  return copied;
}

int64_t TS_BufferStream::Seek(int64_t offset, platform::SeekOrigin origin) {
  const int64_t current = LogicalPosition();
  int64_t target;
  switch (static_cast<int>(origin)) {
    case 0: target = offset; break;
    case 1: target = current + offset; break;
    case 2: target = EffectiveSize() - (offset < 0 ? -offset : offset); break;
    default:
      throw platform::Exception(platform::Format("Invalid seek origin (%d)", static_cast<int>(origin)));
  }
  if (target == current) return target;
  // A seek inside the read-ahead only moves the read position: directory walks seek back and
  // forth over a few bytes per header.
  if (state_ == kReading) {
    const int64_t start = under_pos_ - static_cast<int64_t>(end_);
    if (target >= start && target <= under_pos_) {
      pos_ = static_cast<size_t>(target - start);
      return target;
    }
  }
  if (state_ == kWriting && !FlushBuffer()) throw platform::Exception("Seek error");
  under_pos_ = underlying_->Seek(target, platform::SeekOrigin::Begin);
  DropBuffer();
  return target;
}

void TS_BufferStream::SetSize(int64_t size) {
  const int64_t here = LogicalPosition();
  if (state_ == kWriting && !FlushBuffer()) throw platform::Exception("Seek error");
  DropBuffer();
  underlying_->SetSize(size);
  under_pos_ = underlying_->Seek(std::min(here, size), platform::SeekOrigin::Begin);
}

void TS_BufferStream::Putback(uint8_t byte) {
  if (state_ != kReading || pos_ == 0) throw platform::EStreamError("Putback overflow");
  buffer_[--pos_] = byte;
}

TLFNFileStream::TLFNFileStream(const std::string& file_name, int buffer_size, bool flush_on_close,
                               platform::FileMode mode)
    : TS_BufferStream(nullptr, buffer_size),
      file_(std::make_unique<platform::FileStream>(file_name, mode)) {
  Attach(file_.get());
  SetFlushOnDestroy(flush_on_close && mode != platform::FileMode::OpenRead &&
                    mode != platform::FileMode::OpenReadDenyWrite);
}

TLFNFileStream::~TLFNFileStream() { Finish(); }

void TLFNFileStream::SetSize(int64_t size) { TS_BufferStream::SetSize(size); }

}  // namespace zip
