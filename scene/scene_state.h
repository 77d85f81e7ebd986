#pragma once
// What the whole scene layer shares in one process, in one object: the
// loading flag, set while a game file or a state file is read or a screen
// switch is in progress. While it is set, animations put off building their
// frame tables (their keys are not all there yet), input is not delivered
// and the frame loop shows loading progress instead of the screen.
//
// Keep in mind: whoever sets the flag clears it on every way out, or input
// and drawing stay off for good. Tests that set it hold a LoadingScope, so a
// failed assertion cannot leave it set for the next test.

namespace scene {

struct SceneState {
  bool loading = false;
};

inline SceneState g_scene;

inline bool IsLoading() {
  return g_scene.loading;
}
inline void SetLoading(bool value) {
  g_scene.loading = value;
}

// Back to the state of a process that has loaded nothing (tests, between cases).
inline void ResetSceneState() {
  g_scene = SceneState{};
}

// Sets the loading flag for its lifetime and then puts back what it was.
class LoadingScope {
 public:
  LoadingScope() : was_(g_scene.loading) { g_scene.loading = true; }
  ~LoadingScope() { g_scene.loading = was_; }
  LoadingScope(const LoadingScope&) = delete;
  LoadingScope& operator=(const LoadingScope&) = delete;

 private:
  bool was_;
};

}  // namespace scene
