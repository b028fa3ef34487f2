#include "platform/stream.h"

#include <algorithm>
#include <cstring>

#include "platform/exceptions.h"
#include "platform/format.h"
#include "platform/fs.h"

namespace platform {

int64_t Stream::Size() {
  const int64_t here = Seek(0, SeekOrigin::Current);
  const int64_t end = Seek(0, SeekOrigin::End);
  Seek(here, SeekOrigin::Begin);
  return end;
}

void Stream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void Stream::WriteBuffer(const void* buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t Stream::CopyFrom(Stream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<uint8_t> block(static_cast<size_t>(std::min<int64_t>(count, 61440)));
  int64_t left = count;
  while (left > 0) {
    const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(block.size()));
    source.ReadBuffer(block.data(), n);
    WriteBuffer(block.data(), n);
    left -= n;
  }
  return count;
}

FileStream::FileStream(const std::string& path, FileMode mode) : path_(path) {
  std::string error;
  file_ = File::Open(path, mode, &error);
  if (!file_.IsOpen()) {
    if (mode == FileMode::Create || mode == FileMode::CreateNew || mode == FileMode::CreatePrivate)
      throw EFCreateError(Format("Cannot create file \"%s\". %s", path.c_str(), error.c_str()));
    throw EFOpenError(Format("Cannot open file \"%s\". %s", path.c_str(), error.c_str()));
  }
}

int64_t FileStream::Read(void* buffer, int64_t count) {
  const int64_t n = file_.Read(buffer, count);
  return n < 0 ? 0 : n;
}

int64_t FileStream::Write(const void* buffer, int64_t count) {
  const int64_t n = file_.Write(buffer, count);
  return n < 0 ? 0 : n;
}

int64_t FileStream::Seek(int64_t offset, SeekOrigin origin) {
  return file_.Seek(offset, static_cast<int>(origin));
}

int64_t FileStream::Size() { return file_.Size(); }

void FileStream::SetSize(int64_t size) {
  if (!file_.SetSize(size)) throw EStreamError(Format("Stream write error"));
}

MemoryStream::MemoryStream(const void* data, size_t size)
    : data_(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size) {}

int64_t MemoryStream::Read(void* buffer, int64_t count) {
  const int64_t size = static_cast<int64_t>(data_.size());
  if (count <= 0 || position_ >= size) return 0;
  const int64_t n = std::min(count, size - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t MemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || position_ < 0) return 0;
  const int64_t end = position_ + count;
  if (end > static_cast<int64_t>(data_.size())) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t MemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  switch (origin) {
    case SeekOrigin::Begin: position_ = offset; break;
    case SeekOrigin::Current: position_ += offset; break;
    case SeekOrigin::End: position_ = static_cast<int64_t>(data_.size()) + offset; break;
  }
  return position_;
}

void MemoryStream::SetSize(int64_t size) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
  position_ = std::min(position_, size);
}

}  // namespace platform
