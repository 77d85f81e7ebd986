// Keys, typed characters, cheat codes and the pointer protocol.

#include "scene/db.h"
#include "scene/layers.h"
#include "scene/text_element.h"

namespace scene {

void TQZDB::KeyDown(int virtualKey) {
  keyCode_ = virtualKey;
  RunScript(exKeyDown, "key_Down");
}

void TQZDB::CharInput(uint16_t c) {
  if (TQZText* text = focusedText_) {
    std::string s = text->Text();
    if (!unicodeMode_) {
      if (c == 8) {
        if (!s.empty()) s.pop_back();
      } else if ((c >= 32 && c <= 34) || (c >= 37 && c <= 255)) {
        s.push_back(static_cast<char>(c));
      } else if (c > 255 || c == 35 || c == 36) {
        return;  // "#" and "$" would start colour tags
      }
      // Control characters assign the unchanged text again.
      text->SetText(s);
      return;
    }
    if (c == 8) {
      if (s.size() >= 3 && s[s.size() - 3] == '\x01')
        s.resize(s.size() - 3);
      else if (!s.empty())
        s.pop_back();
    } else if (c >= 32 && c <= 126) {
      // All printable ASCII: the letters x, y and z included.
      s.push_back(static_cast<char>(c));
    } else if (c >= 128) {
      s.push_back('\x01');
      s.push_back(static_cast<char>(c & 0xFF));
      s.push_back(static_cast<char>(c >> 8));
    } else {
      return;
    }
    text->SetText(s);
    return;
  }
  cheatBuffer_.push_back(static_cast<char>(c & 0xFF));
  if (cheatBuffer_.size() > 10) cheatBuffer_.erase(0, 1);
  const std::string codes = ";" + Cheats + ";";
  // Every tail of the buffer that is one of the codes fires the cheat script.
  const std::string buffer = cheatBuffer_;
  for (size_t p = 0; p < buffer.size(); ++p) {
    std::string tail = buffer.substr(p, 10);
    if (codes.find(";" + tail + ";") != std::string::npos) {
      lastCheat_ = tail;
      RunScript(exCheat, "Cheat");
    }
  }
}

// ---- pointer protocol -------------------------------------------------------------

TQZElement* TQZDB::HitTestLayers(int32_t x, int32_t y) {
  if (!currentScreen_) return nullptr;
  const std::vector<int32_t> layers = LayersToVisit(MinOrder, MaxOrder, *this, nullptr);
  for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
    if (TQZElement* hit = currentScreen_->HitTest(*layer, x, y, 0, 0)) return hit;
  }
  return nullptr;
}

TQZElement* TQZDB::ProbeHitTest(int32_t x, int32_t y) {
  const bool was = probing_;
  probing_ = true;
  TQZElement* hit = HitTestLayers(x, y);
  probing_ = was;
  return hit;
}

void TQZDB::TrackPointer(int32_t x, int32_t y) {
  mouseDX_ = x - mouseX_;
  mouseDY_ = y - mouseY_;
  mouseX_ = x;
  mouseY_ = y;
}

void TQZDB::PointerMove(int32_t x, int32_t y) {
  TrackPointer(x, y);
  if (!currentScreen_ || !Host().TimerEnabled()) return;
  TQZElement* candidate = HitTestLayers(x, y);
  const bool kept = buttonHeld_ && hovered_ && hovered_->MsKeep;
  if (!kept && candidate != hovered_) {
    if (hovered_) hovered_->DoMouseOut();
    hovered_ = candidate;
    if (hovered_) hovered_->DoMouseIn();
  }
  if (hovered_) hovered_->DoMouseMove();
  DoMouseMove();
}

void TQZDB::ButtonDown(int32_t x, int32_t y) {
  mouseX_ = x;
  mouseY_ = y;
  // A press a pixel or two beside a clickable element still reaches it.
  static const int kProbe[9][2] = {{0, 0},  {-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                                   {0, 1},  {1, -1},  {1, 0},  {1, 1}};
  for (const auto& d : kProbe) {
    PointerMove(x + 2 * d[0], y + 2 * d[1]);
    if (hovered_ && !hovered_->Script(Ev::MouseDown).Source.empty()) break;
  }
  if (hovered_) hovered_->DoMouseDown();
  pressed_ = hovered_;
  buttonHeld_ = true;
  if (!(hovered_ && hovered_->NoMsQZDB)) DoMouseDown();
  PointerMove(x, y);
}

void TQZDB::ButtonUp(int32_t x, int32_t y) {
  mouseX_ = x;
  mouseY_ = y;
  PointerMove(x, y);
  if (hovered_ && hovered_ == pressed_) hovered_->DoMouseUp();
  if (!(hovered_ && hovered_->NoMsQZDB)) DoMouseUp();
  if (!(buttonHeld_ && hovered_ && hovered_->MsKeep)) {
    buttonHeld_ = false;
    PointerMove(x, y);
  }
  buttonHeld_ = false;
}

void TQZDB::DropHover() {
  if (hovered_) hovered_->DoMouseOut();
  hovered_ = nullptr;
  buttonHeld_ = false;
}

}  // namespace scene
