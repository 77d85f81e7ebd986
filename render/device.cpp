#include "render/device.h"

namespace render {

Device::Device() : canvas_(frame_) {}

bool Device::Initialize(const InitializeCallback& onInitialize) {
  if (initialized_) Release();
  if (!CreateOutput()) {
    DestroyOutput();
    return false;
  }
  initialized_ = true;
  bool ok = true;
  if (onInitialize) onInitialize(ok);
  if (!ok) {
    Release();
    return false;
  }
  return true;
}

void Device::Release() {
  if (!initialized_) return;
  initialized_ = false;
  DestroyOutput();
}

void Device::Render(uint32_t clearColour, bool clear) {
  if (!initialized_) return;
  if (clear) frame_.Fill(clearColour);
  if (onRender_) onRender_();
  canvas_.Flush();
}

void Device::SetWindowed(bool windowed) { windowed_ = windowed; }

HeadlessDevice::~HeadlessDevice() { Release(); }

void HeadlessDevice::Present() {
  if (Initialized()) ++presents_;
}

}  // namespace render
