#include "ahead_decoder.h"

#include <isa-l/igzip_lib.h>
#include <libdeflate.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "decode.h"
#include "inflate_blocks.h"
#include "le.h"
#include "zip/errors.h"
#include "zip/records.h"

namespace zip {

void AheadDecoder::FreeDecompressor::operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }

AheadDecoder::Worker::Worker(MemoryBudget& b) : budget(b) {}
AheadDecoder::Worker::~Worker() = default;

AheadDecoder::AheadDecoder(platform::Stream& archive, std::mutex& archive_lock,
                           const std::vector<MemoryBudget*>& budgets)
    : archive_(archive), archive_lock_(archive_lock) {
  for (MemoryBudget* budget : budgets) workers_.push_back(std::make_unique<Worker>(*budget));
  for (auto& w : workers_) {
    Worker& worker = *w;
    worker.thread = std::thread([this, &worker] { Run(worker); });
  }
}

AheadDecoder::~AheadDecoder() {
  std::deque<std::shared_ptr<Result>> left;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    for (auto& r : results_) r->dropped = true;
    left.swap(results_);
    started_ = 0;
  }
  asked_.notify_all();
  // Their pieces go back to the budget, which lets a worker waiting for room go on to see it
  // is stopped.
  std::deque<Chunk> freed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& r : left)
      for (Chunk& c : r->pieces) freed.push_back(std::move(c));
  }
  freed.clear();
  for (auto& w : workers_) w->thread.join();
}

size_t AheadDecoder::Outstanding() {
  std::lock_guard<std::mutex> lock(mutex_);
  return results_.size();
}

void AheadDecoder::Ask(const Job& job) {
  auto r = std::make_shared<Result>();
  r->job = job;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    results_.push_back(std::move(r));
  }
  asked_.notify_one();
}

void AheadDecoder::PopFront() {
  // Entries are started in their order: the started ones come first.
  if (started_ > 0) --started_;
  results_.pop_front();
}

bool AheadDecoder::Has(int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::any_of(results_.begin(), results_.end(), [&](const auto& r) { return r->job.index == index; });
}

AheadDecoder::Step AheadDecoder::Next(int index, Chunk& piece, End& end, const std::function<void()>& waiting) {
  std::deque<Chunk> freed;  // dropped pieces go back to the budget outside the lock
  std::unique_lock<std::mutex> lock(mutex_);
  while (!results_.empty() && results_.front()->job.index < index) {
    results_.front()->dropped = true;
    for (Chunk& c : results_.front()->pieces) freed.push_back(std::move(c));
    PopFront();
  }
  if (results_.empty() || results_.front()->job.index != index) return Step::kNotAhead;
  const std::shared_ptr<Result> r = results_.front();
  for (;;) {
    if (!r->pieces.empty()) {
      piece = std::move(r->pieces.front());
      r->pieces.pop_front();
      return Step::kPiece;
    }
    if (r->refused || r->ended) {
      PopFront();
      if (r->refused) return Step::kNotAhead;
      end = r->end;
      return Step::kEnd;
    }
    if (!progressed_.wait_for(lock, std::chrono::milliseconds(10), [&] {
          return !r->pieces.empty() || r->refused || r->ended;
        }) &&
        waiting) {
      lock.unlock();
      waiting();
      lock.lock();
    }
  }
}

void AheadDecoder::Run(Worker& w) {
  for (;;) {
    std::shared_ptr<Result> r;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      asked_.wait(lock, [&] { return stop_ || started_ < results_.size(); });
      if (stop_) return;
      r = results_[started_++];
    }
    try {
      Decode(*r, w);
      std::lock_guard<std::mutex> lock(mutex_);
      r->ended = true;
    } catch (const Dropped&) {
    } catch (const EZCompressionError& e) {
      Failed(*r, End::kDamaged, e.what());
    } catch (const std::exception& e) {
      Failed(*r, End::kFatal, e.what());
    }
    progressed_.notify_all();
  }
}

void AheadDecoder::End::Raise() const {
  if (failure == kDamaged) throw EZCompressionError(message);
  if (failure == kFatal) throw EFatalUnzipError(message);
}

void AheadDecoder::Failed(Result& r, End::Failure failure, const char* message) {
  std::lock_guard<std::mutex> lock(mutex_);
  r.end.failure = failure;
  r.end.message = message;
  r.ended = true;
}

int64_t AheadDecoder::ReadAt(int64_t offset, uint8_t* into, int64_t n) {
  std::lock_guard<std::mutex> lock(archive_lock_);
  const int64_t here = archive_.Seek(0, platform::SeekOrigin::Current);
  int64_t got = 0;
  if (archive_.Seek(offset, platform::SeekOrigin::Begin) == offset)
    got = std::max<int64_t>(archive_.Read(into, n), 0);
  archive_.Seek(here, platform::SeekOrigin::Begin);
  return got;
}

void AheadDecoder::Deliver(Result& r, Chunk& piece) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (r.dropped || stop_) throw Dropped();
    if (piece.size > 0) r.pieces.push_back(std::move(piece));
  }
  piece = Chunk();
  progressed_.notify_all();
}

void AheadDecoder::Decode(Result& r, Worker& w) {
  // Where the data starts, from the local header, as the entry's turn finds it; an entry whose
  // header is not there (or cannot be read) is left to its turn, which reports it.
  const Job& job = r.job;
  uint8_t h[kLocalHeaderSize];
  if (job.local_offset > static_cast<uint64_t>(INT64_MAX) - 0x20000 ||
      ReadAt(static_cast<int64_t>(job.local_offset), h, kLocalHeaderSize) != kLocalHeaderSize ||
      Le32(h) != LocalFileHeaderSig) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      r.refused = true;
    }
    progressed_.notify_all();
    return;
  }
  const int64_t data_offset = static_cast<int64_t>(job.local_offset) + kLocalHeaderSize + Le16(h + 26) + Le16(h + 28);
  if (job.whole && DecodeWhole(r, w, data_offset)) return;
  Stream(r, w, data_offset);
}

bool AheadDecoder::DecodeWhole(Result& r, Worker& w, int64_t data_offset) {
  const Job& job = r.job;
  const size_t csize = static_cast<size_t>(job.compressed_size);
  const size_t usize = static_cast<size_t>(job.size);
  Chunk packed;
  if (job.deflated) packed = Chunk(w.budget, csize);
  Chunk data(w.budget, std::max<size_t>(usize, 1));
  uint8_t* into = job.deflated ? packed.Data() : data.Data();
  if (ReadAt(data_offset, into, static_cast<int64_t>(csize)) != static_cast<int64_t>(csize)) return false;
  size_t size = usize;
  if (job.deflated) {
    if (!w.deflate) w.deflate.reset(libdeflate_alloc_decompressor());
    if (!w.deflate || libdeflate_deflate_decompress(w.deflate.get(), packed.Data(), csize, data.Data(), usize,
                                                    &size) != LIBDEFLATE_SUCCESS)
      return false;
  }
  data.size = size;
  const uint32_t crc = libdeflate_crc32(0, data.Data(), size);
  // Anything else is decoded block by block, which meets the fault where the entry's turn would.
  if (crc != job.crc) return false;
  packed = Chunk();
  r.end.crc = crc;
  Deliver(r, data);
  return true;
}

void AheadDecoder::Stream(Result& r, Worker& w, int64_t data_offset) {
  const Job& job = r.job;
  uint8_t in[kBlockSize];
  uint8_t out[kBlockSize];
  int64_t read = 0;     // compressed bytes read
  int64_t written = 0;  // decoded bytes delivered or in `piece`
  uint32_t crc = 0;
  Chunk piece;
  // One block of the entry's data, as the entry's turn reads it: a short read is the end of the
  // archive.
  auto refill = [&](const uint8_t*& data) -> size_t {
    const int64_t n = std::min<int64_t>(kBlockSize, job.compressed_size - read);
    if (n > 0 && ReadAt(data_offset + read, in, n) != n) throw EFatalUnzipError(LoadMessage(kMsgPrematureEnd));
    read += n;
    data = in;
    return static_cast<size_t>(n);
  };
  // False once the data goes on past the stated size: what came before is kept.
  auto emit = [&](const uint8_t* data, size_t n) {
    if (n == 0) return true;
    if (written + static_cast<int64_t>(n) > job.size) return false;
    if (!piece.Data()) {
      const size_t room = static_cast<size_t>(std::min<int64_t>(kOutputChunkSize, job.size - written));
      piece = Chunk(w.budget, room);
    }
    std::memcpy(piece.Data() + piece.size, data, n);
    piece.size += n;
    crc = libdeflate_crc32(crc, data, n);
    written += static_cast<int64_t>(n);
    if (piece.size == piece.Capacity()) Deliver(r, piece);
    return true;
  };
  struct Overrun {};
  try {
    if (job.deflated) {
      // Some writers store an empty file as deflate without any deflate data.
      if (job.compressed_size > 0) {
        if (!w.inflater) w.inflater = std::make_unique<inflate_state>();
        InflateBlocks(
            *w.inflater, out, kBlockSize, refill,
            [&](const uint8_t* data, size_t n) {
              if (!emit(data, n)) throw Overrun();
            },
            [&] {
              std::lock_guard<std::mutex> lock(mutex_);
              if (r.dropped || stop_) throw Dropped();
            });
      }
    } else {
      for (;;) {
        const uint8_t* data = nullptr;
        const size_t n = refill(data);
        if (n == 0) break;
        if (!emit(data, n)) throw Overrun();
      }
    }
  } catch (const Overrun&) {
    r.end.overrun = true;
  } catch (const Dropped&) {
    throw;
  } catch (...) {
    r.end.crc = crc;
    Deliver(r, piece);
    throw;
  }
  r.end.crc = crc;
  Deliver(r, piece);
}

}  // namespace zip
