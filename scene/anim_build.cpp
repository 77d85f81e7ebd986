// TQZAnim::Rebuild: the frame table from the keys. BuildFrames first fits
// the spline tracks through all keys (BuildTracks), then fills each key's
// frames image by image (AddImageFrames, CrossFade for Morph keys), then
// turns direction sprites into patterns (ResolveDirections).
//
// Keep in mind when changing it: games are drawn from this table as saved
// positions and fades; every formula below (the order of the divisions, the
// rounding of the opacity, the 1/1000 rounding of angles) decides pixels,
// and tests/scene/anim_frames_test.cpp pins them frame by frame.

#include <algorithm>
#include <cmath>

#include "render/render_image.h"
#include "scene/an_key.h"
#include "scene/anim.h"
#include "scene/image_element.h"
#include "scene/spline_track.h"
#include "scene/visual_util.h"

namespace scene {

namespace {

// The images of a key, in order.
std::vector<TQZImage*> KeyImages(TQZElement& key) {
  std::vector<TQZImage*> out;
  for (TQZElement* c : key.Children())
    if (auto* img = dynamic_cast<TQZImage*>(c)) out.push_back(img);
  return out;
}

struct PatternSize {
  double w = 0;
  double h = 0;
};

PatternSize PatternOf(const TQZImage& img) {
  const render::RenderImage* tex = LoadedTexture(img.Picture());
  return tex ? PatternSize{double(tex->PatternWidth()), double(tex->PatternHeight())} : PatternSize{};
}

uint32_t Trans(const TQZImage& img) { return img.Colour >> 24; }
uint32_t RGB(const TQZImage& img) { return img.Colour & 0xFFFFFFu; }

uint32_t WithOpacity(uint32_t rgb, double opacity) {
  const double a = std::nearbyint(opacity);
  const uint32_t alpha = a <= 0 ? 0u : a >= 255 ? 255u : static_cast<uint32_t>(a);
  return (rgb & 0xFFFFFFu) | (alpha << 24);
}

SplineTrack* FindTrack(std::vector<SplineTrack>& tracks, const std::string& id) {
  for (SplineTrack& t : tracks)
    if (t.Id() == id) return &t;
  return nullptr;
}

// The image shown unmoved at its own pose: centre, scale, angle.
void UnmovedPose(AnimDrawItem& item, TQZImage& img, int32_t animAbsX, int32_t animAbsY) {
  const PatternSize ps = PatternOf(img);
  item.scale = img.Scale();
  item.angle = img.Angle();
  item.x = static_cast<double>(img.GetAbsX()) - animAbsX + ps.w * 0.5 * item.scale;
  item.y = static_cast<double>(img.GetAbsY()) - animAbsY + ps.h * 0.5 * item.scale;
}

// ---- spline tracks -----------------------------------------------------------

// One track per image Id (letter case counts), a sample at the first frame of
// every key that shows it.
std::vector<SplineTrack> BuildTracks(const std::vector<TQZAnKey*>& keys, int32_t absX,
                                     int32_t absY) {
  std::vector<SplineTrack> tracks;
  int64_t s = 0;
  for (TQZAnKey* key : keys) {
    for (TQZImage* img : KeyImages(*key)) {
      if (img->Id.empty() || !img->PictureLoaded()) continue;
      SplineTrack* track = FindTrack(tracks, img->Id);
      if (!track) track = &tracks.emplace_back(img->Id);
      const PatternSize ps = PatternOf(*img);
      track->AddSample(static_cast<double>(s),
                       {img->Scale() * ps.w / 2 + (img->GetAbsX() - static_cast<double>(absX)),
                        img->Scale() * ps.h / 2 + (img->GetAbsY() - static_cast<double>(absY)),
                        img->Scale(), img->Angle(), img->ScaleX, img->ScaleY});
    }
    s += int64_t{key->Count} + 1;
  }
  for (SplineTrack& t : tracks) t.Build();
  return tracks;
}

// ---- key frames --------------------------------------------------------------

// Where one key's frames go: frames [first, first + count] of the table.
struct KeySpan {
  int64_t first;
  int32_t count;
  bool morph;
  int32_t absX;  // the animation's origin
  int32_t absY;
};

// The image of the next key that continues f (the same Id, compared in upper
// case), or null.
TQZImage* Continuation(const TQZImage& f, const std::vector<TQZImage*>& nextImages) {
  if (f.UpperId().empty()) return nullptr;
  for (TQZImage* cand : nextImages)
    if (cand->UpperId() == f.UpperId()) return cand;
  return nullptr;
}

// Cross-fade of a Morph key at in-between frame j: the old picture fades to
// about seven eighths in the first half and out in the second; the new one
// fades in to about seven eighths, then to full. With no in-between frames
// the single frame shows the old picture at full and the new one invisible.
void CrossFade(AnimFrame& frame, AnimDrawItem item, const TQZImage& f, TQZImage& m,
               const KeySpan& span, int32_t j, double fa, double ma) {
  const int32_t count = span.count;
  const double h = count / 2.0;
  const int32_t halfway = count / 2;
  AnimDrawItem next_item = item;
  double oldOpacity, newOpacity;
  if (count == 0) {
    oldOpacity = fa;
    newOpacity = 0;
  } else if (j <= halfway) {
    oldOpacity = fa * (255 - 32 * j / h) / 255;
    newOpacity = ma * 223 * j / h / 255;
  } else {
    oldOpacity = fa * (223 - (j - h) * 223 / h) / 255;
    newOpacity = ma * ((j - h) * 32 / h + 223) / 255;
  }
  item.colour = WithOpacity(RGB(f), oldOpacity);
  next_item.picture = m.Picture();
  next_item.pattern = m.Anim;
  const PatternSize mps = PatternOf(m);
  next_item.scale = m.Scale();
  next_item.angle = m.Angle();
  next_item.x = static_cast<double>(m.GetAbsX()) - span.absX + mps.w * 0.5 * next_item.scale;
  next_item.y = static_cast<double>(m.GetAbsY()) - span.absY + mps.h * 0.5 * next_item.scale;
  next_item.colour = WithOpacity(RGB(m), newOpacity);
  next_item.effect = m.hxDrawFx;
  frame.push_back(item);
  frame.push_back(next_item);
}

// The items of image f over its key's frames, moving towards m (f itself when
// it holds still), along `track` when there is one.
void AddImageFrames(std::vector<AnimFrame>& frames, const KeySpan& span, TQZImage& f, TQZImage& m,
                    const SplineTrack* track) {
  const int32_t count = span.count;
  const double c = count + 1.0;
  const PatternSize fps = PatternOf(f);
  const double fx = static_cast<double>(f.GetAbsX()) - span.absX;
  const double fy = static_cast<double>(f.GetAbsY()) - span.absY;
  const double dx = static_cast<double>(m.GetAbsX()) - f.GetAbsX();
  const double dy = static_cast<double>(m.GetAbsY()) - f.GetAbsY();
  const bool changes = f.Picture() != m.Picture() || f.Anim != m.Anim;

  for (int32_t j = 0; j <= count; ++j) {
    const double t = static_cast<double>(span.first + j);
    AnimFrame& frame = frames[static_cast<size_t>(t)];
    AnimDrawItem item;
    item.picture = f.Picture();
    item.pattern = f.Anim;
    item.x = fx + dx / c * j;
    item.y = fy + dy / c * j;
    item.scale = f.Scale() + (m.Scale() - f.Scale()) / c * j;
    item.scaleX = f.ScaleX + (m.ScaleX - f.ScaleX) / c * j;
    item.scaleY = f.ScaleY + (m.ScaleY - f.ScaleY) / c * j;
    item.angle = f.Angle() + (m.Angle() - f.Angle()) / c * j;
    item.x += fps.w * 0.5 * item.scale;
    item.y += fps.h * 0.5 * item.scale;
    if (track) {
      item.x = track->Value(SplineTrack::kCentreX, t);
      item.y = track->Value(SplineTrack::kCentreY, t);
      if (f.InterpolSc) {
        item.scale = track->Value(SplineTrack::kScale, t);
        item.scaleX = track->Value(SplineTrack::kScaleX, t);
        item.scaleY = track->Value(SplineTrack::kScaleY, t);
      }
      item.angle = track->Value(SplineTrack::kAngle, t);
    }
    const double fa = Trans(f);
    const double ma = Trans(m);
    const double a = std::nearbyint((ma - fa) / c * j) + fa;
    item.colour = RGB(f) + static_cast<uint32_t>(a) * 0x1000000u;
    item.effect = f.hxDrawFx;

    if (!changes) {
      frame.push_back(item);
      continue;
    }
    // A changed picture or pattern shows the old one unmoved (the axis
    // scales keep their interpolated values).
    UnmovedPose(item, f, span.absX, span.absY);
    item.colour = f.Colour;
    if (!span.morph) {
      frame.push_back(item);
      continue;
    }
    CrossFade(frame, item, f, m, span, j, fa, ma);
  }
}

// Direction sprites: pattern -1 picks one of 16 patterns from the total angle.
void ResolveDirections(std::vector<AnimFrame>& frames, double animAngle) {
  for (AnimFrame& frame : frames) {
    for (AnimDrawItem& item : frame) {
      double l = std::nearbyint((animAngle + item.angle) * 1000) / 1000;
      if (!(l >= -100000 && l <= 100000)) l = 0;
      l = std::fmod(l, 360.0);
      if (l < 0) l += 360;
      if (l >= 360) l -= 360;
      if (item.pattern != -1) continue;
      const int32_t n = std::min<int32_t>(static_cast<int32_t>(std::nearbyint(l * 10)) / 225, 15);
      item.pattern = n;
      item.angle = l - n * 22.5;
      item.directional = true;
    }
  }
}

}  // namespace

void TQZAnim::Rebuild() {
  if (IsLoading()) {
    stale_ = true;
    return;
  }
  stale_ = false;
  BuildFrames();
  SetPosValue(Pos);
}

void TQZAnim::BuildFrames() {
  frames_.clear();
  frameCount_ = 0;
  std::vector<TQZAnKey*> keys;
  for (TQZElement* c : Children())
    if (auto* k = dynamic_cast<TQZAnKey*>(c)) keys.push_back(k);
  // A table beyond these limits (only a damaged or hostile game file asks
  // for one) is left empty rather than allocated.
  int64_t totalFrames = 0, itemBound = 0;
  for (TQZAnKey* key : keys) {
    totalFrames += int64_t{key->Count} + 1;
    itemBound += (int64_t{key->Count} + 1) * static_cast<int64_t>(key->ChildCount()) * 2;
  }
  if (totalFrames > kMaxFrames || itemBound > kMaxDrawItems) return;
  const int32_t absX = GetAbsX();
  const int32_t absY = GetAbsY();
  std::vector<SplineTrack> tracks =
      Interpol ? BuildTracks(keys, absX, absY) : std::vector<SplineTrack>{};

  int64_t s = 0;
  for (size_t k = 0; k < keys.size(); ++k) {
    TQZAnKey& key = *keys[k];
    TQZAnKey* next = k + 1 < keys.size() ? keys[k + 1] : (Rep ? keys[0] : nullptr);
    const KeySpan span{s, key.Count, key.Morph, absX, absY};
    frames_.resize(static_cast<size_t>(s + span.count + 1));
    const std::vector<TQZImage*> nextImages = next ? KeyImages(*next) : std::vector<TQZImage*>{};

    for (TQZImage* f : KeyImages(key)) {
      TQZImage* m = next ? Continuation(*f, nextImages) : nullptr;
      if (!f->PictureLoaded()) continue;
      if (!m) {
        // An object that does not continue into the next key is not shown
        // during this key; an unnamed one (or one in the last key) holds still.
        if (!f->Id.empty() && next) continue;
        m = f;
      }
      if (!m->PictureLoaded()) continue;
      const SplineTrack* track =
          (f->Interpol && Interpol && !f->Id.empty()) ? FindTrack(tracks, f->Id) : nullptr;
      if (track && !track->Built()) track = nullptr;
      AddImageFrames(frames_, span, *f, *m, track);
    }
    s += span.count + 1;
  }
  frameCount_ = static_cast<int32_t>(s);
  ResolveDirections(frames_, Angle);
}

}  // namespace scene
