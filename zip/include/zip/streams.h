// Buffered 64-bit streams: TS_BufferStream adds read-ahead, write-behind and a one-byte push-back
// to any seekable stream; TLFNFileStream is one over a file it opens and owns.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/stream.h"

namespace zip {

class TS_BufferStream : public platform::Stream {
 public:
  // The underlying stream is not owned.
  TS_BufferStream(platform::Stream* underlying, int buffer_size);
  ~TS_BufferStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // Origin End counts back from the end whatever the sign of the offset.
  int64_t Seek(int64_t offset, platform::SeekOrigin origin) override;
  int64_t Size() override { return EffectiveSize(); }
  void SetSize(int64_t size) override;

  virtual bool FillBuffer();
  virtual bool FlushBuffer();
  virtual void Putback(uint8_t byte);

  int64_t EffectiveSize();
  bool FlushOnDestroy() const { return flush_on_destroy_; }
  void SetFlushOnDestroy(bool value) { flush_on_destroy_ = value; }

  std::function<void(TS_BufferStream*)> OnFillBuffer;
  std::function<void(TS_BufferStream*)> OnFlushBuffer;

 protected:
  enum State { kIdle = 0, kReading = 1, kWriting = 2 };
  void Attach(platform::Stream* underlying);
  // Flushes pending output; the destructor of a derived class that owns the underlying stream
  // calls it before the stream goes away.
  void Finish();

 private:
  int64_t BufferOffset() const;
  int64_t LogicalPosition() const { return under_pos_ + BufferOffset(); }
  void DropBuffer();

  platform::Stream* underlying_ = nullptr;
  // Allocated on first use: a stream that is only opened (a file made ahead of its turn) or
  // only gets large reads and writes holds none.
  uint8_t* Room() {
    if (buffer_.empty()) buffer_.resize(capacity_);
    return buffer_.data();
  }
  size_t capacity_;
  std::vector<uint8_t> buffer_;
  // Indexes into buffer_; reading: [pos_, end_) holds read-ahead; writing: [0, pos_) waits.
  size_t pos_ = 0;
  size_t end_ = 0;
  State state_ = kIdle;
  int64_t under_pos_ = 0;  // the underlying stream's position, tracked to spare system calls
  bool flush_on_destroy_ = false;
  bool written_ = false;
  bool finished_ = false;
};

class TLFNFileStream : public TS_BufferStream {
 public:
  // Raises platform::EFOpenError / EFCreateError when the file cannot be opened.
  TLFNFileStream(const std::string& file_name, int buffer_size, bool flush_on_close,
                 platform::FileMode mode);
  ~TLFNFileStream() override;

  void SetSize(int64_t size) override;
  platform::File& FileHandle() { return file_->Handle(); }
  const std::string& FileName() const { return file_->FileName(); }

 private:
  std::unique_ptr<platform::FileStream> file_;
};

}  // namespace zip
