#pragma once
// Decoding ahead: pictures whose bytes the main thread has read are decoded on
// a few worker threads while the main thread takes the results one by one, in
// whatever order it asks for them.
//
// Who does what: the main thread owns the plan. It reads bytes (Fill, through
// the caller's reader) and takes results (Take); a worker only turns the bytes
// of one picture into pixels with DecodeImage and touches nothing else. A
// picture no worker has started when the main thread wants it is decoded by
// the main thread itself, so it never waits for work that has not begun.
//
// How far ahead: at most Limits::pictures pictures read and not yet taken (by
// the main thread asking for them), and at most Limits::pixelBytes of decoded
// pixels held for the main thread (the decoder reserves them before it
// allocates; a picture that does not fit waits until the main thread has
// taken others, or is decoded by the main thread when its turn comes). Reading
// ahead also stops while the files read and not yet decoded reach that many
// bytes.
//
// Plan items move Unread -> Queued -> Decoding -> Done, with Decoding ->
// Deferred (over the pixel budget) -> Queued when the main thread has taken
// others, and end Taken. An item the reader could not read is Taken at once:
// the caller loads it its ordinary way.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "resources/decoded_image.h"

namespace resources {

// Decoding threads a process uses by default: QZ_DECODE_THREADS when it holds
// a number, otherwise the machine's cores; at least 1 (decode on the calling
// thread only), at most kMaxDecodeThreads. 1 in builds without threads.
inline constexpr int kMaxDecodeThreads = 8;
int DefaultDecodeThreads();

class DecodePool {
 public:
  struct Limits {
    int threads = 1;
    // Pictures read and not yet taken; 0: twice the workers started.
    int pictures = 0;
    int64_t pixelBytes = int64_t{256} << 20;
  };
  // Reads the bytes of plan item `index`; runs on the main thread only. false:
  // not read ahead, the caller loads that item its ordinary way.
  using Reader = std::function<bool(size_t index, std::string& bytes, ImageFormat& format)>;
  // Starts a thread running `body`; throws (as std::thread does) when it cannot.
  using Starter = std::function<std::thread(std::function<void()> body)>;

  struct Stats {
    int planned = 0;            // items in the plan
    int workers = 0;            // threads started
    int mostAhead = 0;          // most pictures read and not yet taken at once
    int64_t mostHeldBytes = 0;  // most decoded pixel bytes held at once
    int64_t mostReadBytes = 0;  // most bytes of files read and not yet decoded
    int decodedByWorkers = 0;   // results workers made that were taken
    int decodedByMain = 0;      // read ahead, but decoded by the main thread
    int overBudget = 0;         // decodes a worker put off for the pixel budget
  };

  // Starts up to limits.threads workers, at most kMaxDecodeThreads; fewer when
  // a start fails, and none means Running() is false and nothing is ever read
  // ahead.
  DecodePool(size_t planSize, const Limits& limits, Reader reader, const Starter& start = {});
  ~DecodePool();  // waits for the workers' current decodes, then ends them
  DecodePool(const DecodePool&) = delete;
  DecodePool& operator=(const DecodePool&) = delete;

  bool Running() const { return workers_.size() > 0; }

  // Reads the next unread items in plan order while the bounds allow.
  void Fill();
  // The decode of item `index` when it was read ahead (the decoder's verdict,
  // and the picture in `out` when it is None); nullopt when it was not, and
  // from then on the item is never read. Refills before it waits.
  std::optional<DecodeError> Take(size_t index, DecodedImage& out);

  Stats GetStats() const;

 private:
  enum class State { Unread, Queued, Decoding, Deferred, Done, Taken };
  struct Item {
    State state = State::Unread;
    ImageFormat format = ImageFormat::Bmp;
    std::string bytes;
    DecodedImage picture;
    DecodeError error = DecodeError::None;
    int64_t reserved = 0;  // pixel bytes counted in held_ for this item
    // Only the main thread decodes it from now on: it waits for it, or a
    // worker ran out of memory on it.
    bool mainOnly = false;
  };

  void WorkerLoop();
  // Index of the first Queued item, or items_.size(); mu_ held.
  size_t NextQueued() const;
  // Gives back the item's reserved bytes and lets put-off decodes try again; mu_ held.
  void ReleaseReserved(Item& item);
  // Frees the file bytes of an item; mu_ held.
  void DropBytes(Item& item);

  Limits limits_;
  Reader reader_;
  std::vector<Item> items_;
  std::vector<std::thread> workers_;

  mutable std::mutex mu_;
  std::condition_variable workReady_;  // workers wait here for Queued items
  std::condition_variable decoded_;    // the main thread waits here for a Decoding item
  bool stop_ = false;
  size_t cursor_ = 0;      // the next item Fill considers
  int ahead_ = 0;          // items Queued, Decoding, Deferred or Done
  int64_t held_ = 0;       // decoded pixel bytes reserved
  int64_t readBytes_ = 0;  // file bytes read and not yet decoded
  Stats stats_;
};

}  // namespace resources
