// The runtime's stream classes: an abstract seekable 64-bit stream, a stream over a file that it
// opens and owns, and a stream over memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"

namespace platform {

enum class SeekOrigin { Begin = 0, Current = 1, End = 2 };

class Stream {
 public:
  virtual ~Stream() = default;
  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // Returns the number of bytes delivered; fewer than count only at the end of the data.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Returns the number of bytes accepted.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Origin End: offset is added to the size (negative offsets go back from the end).
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t position) { Seek(position, SeekOrigin::Begin); }
  // Reads exactly count bytes or raises EReadError "Stream read error".
  void ReadBuffer(void* buffer, int64_t count);
  // Writes exactly count bytes or raises EWriteError "Stream write error".
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes (all from the current position to the end when count is 0).
  int64_t CopyFrom(Stream& source, int64_t count);
};

// A stream over a file (the runtime's file stream). Opening fails with EFOpenError, or with
// EFCreateError for FileMode::Create, carrying the path and the system's error text.
class FileStream : public Stream {
 public:
  FileStream(const std::string& path, FileMode mode);
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;
  File& Handle() { return file_; }
  const std::string& FileName() const { return path_; }

 private:
  std::string path_;
  File file_;
};

class MemoryStream : public Stream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}
  MemoryStream(const void* data, size_t size);
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;
  const std::vector<uint8_t>& Data() const { return data_; }
  std::vector<uint8_t>& Data() { return data_; }

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

}  // namespace platform
