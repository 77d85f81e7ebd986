#include "resources/decode_pool.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "platform/numeric.h"

namespace resources {

namespace {

std::span<const uint8_t> AsBytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

std::thread StartThread(std::function<void()> body) {
  return std::thread(std::move(body));
}

}  // namespace

int DefaultDecodeThreads() {
#ifdef __EMSCRIPTEN__
  return 1;  // no threads in the browser build: std::thread would only throw
#else
  if (const char* text = std::getenv("QZ_DECODE_THREADS")) {
    if (auto n = platform::ParseIntegerText(text))
      return static_cast<int>(std::clamp<int64_t>(*n, 1, kMaxDecodeThreads));
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(static_cast<int>(cores), 1, kMaxDecodeThreads);
#endif
}

DecodePool::DecodePool(size_t planSize, const Limits& limits, Reader reader, const Starter& start)
    : limits_(limits), reader_(std::move(reader)), items_(planSize) {
  const Starter& starter = start ? start : Starter(StartThread);
  // A worker that cannot be started leaves its share to the others, and to
  // the main thread when none could be.
  for (int i = 0; i < std::min(limits_.threads, kMaxDecodeThreads); ++i) {
    try {
      workers_.push_back(starter([this] { WorkerLoop(); }));
    } catch (const std::system_error&) {
      break;
    } catch (const std::bad_alloc&) {
      break;
    }
  }
  stats_.planned = static_cast<int>(planSize);
  stats_.workers = static_cast<int>(workers_.size());
  if (limits_.pictures <= 0) limits_.pictures = 2 * stats_.workers;
}

DecodePool::~DecodePool() {
  {
    std::lock_guard lock(mu_);
    stop_ = true;
  }
  workReady_.notify_all();
  for (std::thread& t : workers_) t.join();
}

size_t DecodePool::NextQueued() const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].state == State::Queued) return i;
  return items_.size();
}

void DecodePool::ReleaseReserved(Item& item) {
  if (item.reserved == 0) return;
  held_ -= item.reserved;
  item.reserved = 0;
  bool retry = false;
  for (Item& other : items_) {
    if (other.state != State::Deferred || other.mainOnly) continue;
    other.state = State::Queued;
    retry = true;
  }
  if (retry) workReady_.notify_all();
}

void DecodePool::DropBytes(Item& item) {
  readBytes_ -= static_cast<int64_t>(item.bytes.size());
  item.bytes = std::string();
}

void DecodePool::Fill() {
  if (!Running()) return;
  std::unique_lock lock(mu_);
  // Files read and not yet decoded count against the same budget as pixels:
  // a game of huge files must not be read into memory many at a time.
  while (cursor_ < items_.size() && ahead_ < limits_.pictures && readBytes_ < limits_.pixelBytes) {
    const size_t index = cursor_++;
    if (items_[index].state != State::Unread) continue;
    // Reading is the main thread's work: unlocked, so workers go on decoding.
    lock.unlock();
    std::string bytes;
    ImageFormat format = ImageFormat::Bmp;
    const bool read = reader_(index, bytes, format);
    lock.lock();
    Item& item = items_[index];
    if (!read) {
      item.state = State::Taken;
      continue;
    }
    item.bytes = std::move(bytes);
    item.format = format;
    item.state = State::Queued;
    readBytes_ += static_cast<int64_t>(item.bytes.size());
    ++ahead_;
    stats_.mostAhead = std::max(stats_.mostAhead, ahead_);
    stats_.mostReadBytes = std::max(stats_.mostReadBytes, readBytes_);
    workReady_.notify_one();
  }
}

std::optional<DecodeError> DecodePool::Take(size_t index, DecodedImage& out) {
  if (index >= items_.size()) return std::nullopt;
  std::unique_lock lock(mu_);
  Item& item = items_[index];
  if (item.state == State::Unread || item.state == State::Taken) {
    item.state = State::Taken;
    return std::nullopt;
  }
  item.mainOnly = true;
  --ahead_;
  if (item.state == State::Decoding) {
    lock.unlock();
    Fill();
    lock.lock();
    decoded_.wait(lock, [&] { return item.state != State::Decoding; });
  }
  const State was = item.state;
  item.state = State::Taken;
  if (was == State::Done) {
    ++stats_.decodedByWorkers;
    out = std::move(item.picture);
    const DecodeError error = item.error;
    ReleaseReserved(item);
    lock.unlock();
    Fill();
    return error;
  }
  // Queued or put off: no worker has it, and decoding here is sooner than
  // waiting for one.
  std::string bytes = std::move(item.bytes);
  readBytes_ -= static_cast<int64_t>(bytes.size());
  ++stats_.decodedByMain;
  lock.unlock();
  Fill();
  return DecodeImage(item.format, AsBytes(bytes), out);
}

DecodePool::Stats DecodePool::GetStats() const {
  std::lock_guard lock(mu_);
  return stats_;
}

void DecodePool::WorkerLoop() {
  std::unique_lock lock(mu_);
  for (;;) {
    size_t index = items_.size();
    workReady_.wait(lock, [&] { return stop_ || (index = NextQueued()) < items_.size(); });
    if (stop_) return;
    Item& item = items_[index];
    item.state = State::Decoding;
    lock.unlock();

    const PixelReservation reserve = [this, &item](int64_t bytes) {
      std::lock_guard guard(mu_);
      if (held_ + bytes > limits_.pixelBytes) return false;
      held_ += bytes;
      item.reserved = bytes;
      stats_.mostHeldBytes = std::max(stats_.mostHeldBytes, held_);
      return true;
    };
    DecodedImage picture;
    DecodeError error = DecodeError::None;
    bool gaveUp = false;
    try {
      error = DecodeImage(item.format, AsBytes(item.bytes), picture, &reserve);
    } catch (...) {
      gaveUp = true;  // the main thread decodes it, and meets the failure its own way
    }

    lock.lock();
    if (gaveUp || error == DecodeError::OverBudget) {
      ReleaseReserved(item);
      if (gaveUp) item.mainOnly = true;
      if (error == DecodeError::OverBudget) ++stats_.overBudget;
      item.state = State::Deferred;
    } else {
      DropBytes(item);
      item.error = error;
      item.picture = std::move(picture);
      if (error != DecodeError::None) ReleaseReserved(item);
      item.state = State::Done;
    }
    decoded_.notify_all();
  }
}

}  // namespace resources
