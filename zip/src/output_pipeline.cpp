#include "output_pipeline.h"

#include "zip/errors.h"

namespace zip {

void MemoryBudget::Acquire(size_t n) {
  std::unique_lock<std::mutex> lock(mutex_);
  freed_.wait(lock, [&] { return used_ == 0 || used_ + n <= capacity_; });
  used_ += n;
}

void MemoryBudget::Release(size_t n) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    used_ -= n;
  }
  freed_.notify_all();
}

Chunk::Chunk(MemoryBudget& budget, size_t capacity) : budget_(&budget), capacity_(capacity) {
  budget.Acquire(capacity);
  try {
    data_.reset(new uint8_t[capacity]);
  } catch (...) {
    budget.Release(capacity);
    throw;
  }
}

Chunk::Chunk(Chunk&& other) noexcept
    : size(other.size), budget_(other.budget_), data_(std::move(other.data_)), capacity_(other.capacity_) {
  other.budget_ = nullptr;
  other.capacity_ = other.size = 0;
}

Chunk& Chunk::operator=(Chunk&& other) noexcept {
  if (this != &other) {
    Free();
    size = other.size;
    budget_ = other.budget_;
    data_ = std::move(other.data_);
    capacity_ = other.capacity_;
    other.budget_ = nullptr;
    other.capacity_ = other.size = 0;
  }
  return *this;
}

Chunk::~Chunk() { Free(); }

void Chunk::Free() {
  data_.reset();
  if (budget_) budget_->Release(capacity_);
  budget_ = nullptr;
  capacity_ = size = 0;
}

FileFlusher::FileFlusher() {
  for (size_t i = 0; i < kThreads; ++i) workers_.emplace_back([this] { Run(); });
}

FileFlusher::~FileFlusher() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  queued_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void FileFlusher::Take(platform::File file, std::string name) {
  std::unique_lock<std::mutex> lock(mutex_);
  room_.wait(lock, [&] { return queue_.size() < kWaiting; });
  queue_.emplace_back(std::move(file), std::move(name));
  queued_.notify_one();
}

void FileFlusher::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [&] { return queue_.empty() && flushing_ == 0; });
  for (auto& [id, kept] : volumes_) {
    auto& [file, name] = kept;
    if (!file.FlushVolume() && failed_.empty()) failed_ = name;
  }
  volumes_.clear();
  if (!failed_.empty())
    throw ECantWriteUCF(std::exchange(failed_, {}) + ": " + LoadMessage(kMsgCantWriteUcf));
}

void FileFlusher::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    queued_.wait(lock, [&] { return stop_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, nothing left
    auto [file, name] = std::move(queue_.front());
    queue_.pop_front();
    ++flushing_;
    room_.notify_one();
    lock.unlock();
    const bool begun = file.StartFlush();
    const bool flushed = begun || file.Flush();
    const uint64_t volume = begun ? file.VolumeId() : 0;
    lock.lock();
    // The first file of each volume stays open for that volume's flush in Drain.
    if (begun && !volumes_.count(volume)) volumes_.emplace(volume, std::make_pair(std::move(file), name));
    lock.unlock();
    file.Close();  // unless kept
    lock.lock();
    if (!flushed && failed_.empty()) failed_ = name;
    if (--flushing_ == 0 && queue_.empty()) idle_.notify_all();
  }
}

OutputPipeline::OutputPipeline(bool flush_files)
    : flusher_(flush_files ? std::make_unique<FileFlusher>() : nullptr), worker_([this] { Run(); }) {}

void OutputPipeline::Drain() {
  if (flusher_) flusher_->Drain();
}

OutputPipeline::~OutputPipeline() {
  Abandon();
  Push(Command(Command::kStop));
  worker_.join();
}

void OutputPipeline::Push(Command command, bool wake) {
  if (here_ && command.kind != Command::kStop) {
    Execute(command);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(command));
  }
  if (wake) queued_.notify_one();
}

void OutputPipeline::Begin(std::unique_ptr<TLFNFileStream> file, bool here) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = false;
    finish_queued_ = false;
    error_ = nullptr;
  }
  here_ = here;
  Command c(Command::kBegin);
  c.file = std::move(file);
  Push(std::move(c), false);
}

void OutputPipeline::Begin(std::unique_ptr<TOutputFile> file) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = false;
    finish_queued_ = false;
    error_ = nullptr;
  }
  here_ = false;  // the host's file is written by the worker, as the host's hashing expects
  Command c(Command::kBegin);
  c.hosted = std::move(file);
  Push(std::move(c), false);
}

void OutputPipeline::FinishHosted(std::optional<TOutputStamp> stamp) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finish_queued_ = true;
  }
  Command c(Command::kFinish);
  c.stamp = std::move(stamp);
  Push(std::move(c));
}

void OutputPipeline::Write(Chunk chunk) {
  if (chunk.size == 0) return;
  Command c(Command::kWrite);
  c.chunk = std::move(chunk);
  Push(std::move(c));
}

void OutputPipeline::Finish(int64_t keep_size, std::optional<uint32_t> dos_time,
                            std::function<void(platform::File&)> before_close) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finish_queued_ = true;
  }
  Command c(Command::kFinish);
  c.keep_size = keep_size;
  c.dos_time = dos_time;
  c.before_close = std::move(before_close);
  Push(std::move(c));
}

void OutputPipeline::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [&] { return finished_; });
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void OutputPipeline::ThrowIfFailed() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void OutputPipeline::Abandon() noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  if (finished_) return;
  if (!finish_queued_) {
    finish_queued_ = true;
    Command c(Command::kFinish);
    if (here_) {
      lock.unlock();
      Execute(c);
      lock.lock();
    } else {
      queue_.push_back(std::move(c));
      queued_.notify_one();
    }
  }
  done_.wait(lock, [&] { return finished_; });
  error_ = nullptr;
}

void OutputPipeline::Run() {
  for (;;) {
    Command command(Command::kStop);
    {
      std::unique_lock<std::mutex> lock(mutex_);
      queued_.wait(lock, [&] { return !queue_.empty(); });
      command = std::move(queue_.front());
      queue_.pop_front();
    }
    if (command.kind == Command::kStop) return;
    Execute(command);
  }
}

void OutputPipeline::Execute(Command& command) {
  try {
    switch (command.kind) {
      case Command::kBegin:
        file_ = std::move(command.file);
        hosted_ = std::move(command.hosted);
        failed_ = false;
        return;
      case Command::kWrite: {
        if (failed_) return;
        if (hosted_) {
          hosted_->Write(command.chunk.Data(), command.chunk.size);
          command.chunk = Chunk();
          return;
        }
        if (!file_) return;
        const int64_t n = static_cast<int64_t>(command.chunk.size);
        const int64_t done = file_->Write(command.chunk.Data(), n);
        command.chunk = Chunk();  // its memory goes back before the next write starts
        if (done != n) throw ECantWriteUCF(LoadMessage(kMsgCantWriteUcf));
        return;
      }
      case Command::kFinish:
        break;
      case Command::kStop:
        return;
    }
    // The last bytes still wait in the stream's buffer: a failure to write them (a full disk)
    // must not pass for a good file.
    if (hosted_ && !failed_ && command.stamp) hosted_->Finish(*command.stamp);
    if (file_ && !failed_) {
      if (!file_->FlushBuffer()) throw ECantWriteUCF(LoadMessage(kMsgCantWriteUcf));
      if (command.keep_size >= 0) file_->SetSize(command.keep_size);
      if (command.dos_time) file_->FileHandle().SetDosTime(*command.dos_time);
      if (command.before_close) command.before_close(file_->FileHandle());
    }
  } catch (...) {
    failed_ = true;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!error_) error_ = std::current_exception();
    if (command.kind != Command::kFinish) return;
  }
  // A good file is flushed (when asked) and closed behind the next ones.
  if (flusher_ && file_ && !failed_) {
    std::string name = file_->FileName();
    flusher_->Take(std::move(file_->FileHandle()), std::move(name));
  }
  file_.reset();  // closes the file
  hosted_.reset();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  done_.notify_all();
}

}  // namespace zip
