#include "web/frame_pacer.h"

namespace web {

bool FramePacer::Due(double nowMs) {
  if (!started_) {
    started_ = true;
    next_ = nowMs + periodMs_;
    return true;
  }
  if (nowMs < next_ - earlyMs_) return false;
  next_ += periodMs_;
  // After a stall (a hidden tab, a long step) the rhythm starts again from
  // now instead of running the missed passes back to back.
  if (next_ < nowMs) next_ = nowMs + periodMs_;
  return true;
}

}  // namespace web
