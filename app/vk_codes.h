#pragma once
// SDL key codes as the Windows virtual-key codes that games expect in exKeyDown.

#include <cstdint>

namespace app {

// The virtual-key code for an SDL keycode (SDL_Keycode), or 0 when it has none.
int VirtualKeyFromSdl(int32_t sdlKeycode);

}  // namespace app
