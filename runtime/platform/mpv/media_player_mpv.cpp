// Music and video through libmpv; a video's frames are rendered with its render API into a
// texture of the shown size and drawn into the display's own GL context. mpv's threads only
// raise the flags below; its events are taken on the program's thread.
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/render_gl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>

#include "runtime/platform/media_player.h"

namespace korvane::platform {

namespace {

// mpv's own volume scale: 100 is the file's loudness.
constexpr double kMpvVolumePerRuntimeVolume = 0.1;

std::string& audioOutputForTesting() {
  static std::string driver;
  return driver;
}

// The framebuffer-object entry points, looked up in the current context.
struct FramebufferCalls {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
  PFNGLUSEPROGRAMPROC useProgram = nullptr;
  PFNGLBINDVERTEXARRAYPROC bindVertexArray = nullptr;
  PFNGLBINDBUFFERPROC bindBuffer = nullptr;
  PFNGLACTIVETEXTUREPROC activeTexture = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;

  bool complete() const {
    return genFramebuffers && deleteFramebuffers && bindFramebuffer && framebufferTexture2D &&
           checkFramebufferStatus;
  }
};

template <typename Function>
void lookUp(Function& out, const char* name) {
  out = reinterpret_cast<Function>(SDL_GL_GetProcAddress(name));
}

FramebufferCalls loadFramebufferCalls() {
  FramebufferCalls calls;
  if (SDL_GL_GetCurrentContext() == nullptr) return calls;
  lookUp(calls.genFramebuffers, "glGenFramebuffers");
  lookUp(calls.deleteFramebuffers, "glDeleteFramebuffers");
  lookUp(calls.bindFramebuffer, "glBindFramebuffer");
  lookUp(calls.framebufferTexture2D, "glFramebufferTexture2D");
  lookUp(calls.checkFramebufferStatus, "glCheckFramebufferStatus");
  lookUp(calls.useProgram, "glUseProgram");
  lookUp(calls.bindVertexArray, "glBindVertexArray");
  lookUp(calls.bindBuffer, "glBindBuffer");
  lookUp(calls.activeTexture, "glActiveTexture");
  lookUp(calls.bindRenderbuffer, "glBindRenderbuffer");
  return calls;
}

void* procAddress(void*, const char* name) { return SDL_GL_GetProcAddress(name); }

// The objects bound outside the attribute stack, which mpv's rendering may change.
struct BoundObjects {
  GLint drawFramebuffer = 0, readFramebuffer = 0, renderbuffer = 0, program = 0;
  GLint vertexArray = 0, arrayBuffer = 0, pixelPack = 0, pixelUnpack = 0, activeTexture = 0;

  void save(const FramebufferCalls& gl) {
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &renderbuffer);
    if (gl.useProgram) glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    if (gl.bindVertexArray) glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    if (gl.bindBuffer) {
      glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
      glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &pixelPack);
      glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &pixelUnpack);
    }
    if (gl.activeTexture) glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
  }

  void restore(const FramebufferCalls& gl) const {
    gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
    gl.bindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
    if (gl.bindRenderbuffer)
      gl.bindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(renderbuffer));
    if (gl.useProgram) gl.useProgram(static_cast<GLuint>(program));
    if (gl.bindVertexArray) gl.bindVertexArray(static_cast<GLuint>(vertexArray));
    if (gl.bindBuffer) {
      gl.bindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
      gl.bindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(pixelPack));
      gl.bindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(pixelUnpack));
    }
    if (gl.activeTexture) gl.activeTexture(static_cast<GLenum>(activeTexture));
  }
};

// Saves everything the attribute stacks hold, the three matrices and the bound objects; the
// destructor puts all of it back.
class SavedGlState {
 public:
  explicit SavedGlState(const FramebufferCalls& gl) : gl_(gl) {
    bound_.save(gl_);
    if (gl_.activeTexture) gl_.activeTexture(GL_TEXTURE0);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode_);
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW, GL_TEXTURE}) {
      glMatrixMode(mode);
      glPushMatrix();
    }
  }
  ~SavedGlState() {
    if (gl_.activeTexture) gl_.activeTexture(GL_TEXTURE0);
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW, GL_TEXTURE}) {
      glMatrixMode(mode);
      glPopMatrix();
    }
    glPopClientAttrib();
    glPopAttrib();
    glMatrixMode(static_cast<GLenum>(matrixMode_));
    bound_.restore(gl_);
  }
  SavedGlState(const SavedGlState&) = delete;
  SavedGlState& operator=(const SavedGlState&) = delete;

 private:
  const FramebufferCalls& gl_;
  BoundObjects bound_;
  GLint matrixMode_ = GL_MODELVIEW;
};

// mpv's path syntax knows protocols ("x://") and options: a local path is made unmistakable.
std::string localPath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  return "./" + path;
}

}  // namespace

struct MediaPlayer {
  mpv_handle* mpv = nullptr;
  mpv_render_context* render = nullptr;
  MediaKind kind = MediaKind::kMusic;
  std::string path;
  // Raised by mpv's threads; everything else is touched on the program's thread only.
  std::atomic<bool> eventsPending{false};
  std::atomic<bool> pictureDue{false};
  bool finished = false;
  bool failed = false;
  FramebufferCalls gl;
  GLuint framebuffer = 0;
  GLuint texture = 0;
  int textureWidth = 0;
  int textureHeight = 0;
};

namespace {

void onWakeup(void* data) {
  static_cast<MediaPlayer*>(data)->eventsPending.store(true, std::memory_order_release);
}

void onPictureUpdate(void* data) {
  static_cast<MediaPlayer*>(data)->pictureDue.store(true, std::memory_order_release);
}

void noteEvent(MediaPlayer& player, const mpv_event& event) {
  if (event.event_id == MPV_EVENT_FILE_LOADED) {
    player.finished = false;
    player.failed = false;
  } else if (event.event_id == MPV_EVENT_END_FILE && event.data != nullptr) {
    const auto* end = static_cast<const mpv_event_end_file*>(event.data);
    // A file replaced by the next load (a restart) has not finished.
    if (end->reason == MPV_END_FILE_REASON_EOF || end->reason == MPV_END_FILE_REASON_ERROR ||
        end->reason == MPV_END_FILE_REASON_QUIT) {
      player.finished = true;
      player.failed = end->reason == MPV_END_FILE_REASON_ERROR;
    }
  }
}

// Takes every queued event.
void takeEvents(MediaPlayer& player) {
  if (!player.eventsPending.exchange(false, std::memory_order_acq_rel)) return;
  for (;;) {
    const mpv_event* event = mpv_wait_event(player.mpv, 0);
    if (event->event_id == MPV_EVENT_NONE) return;
    noteEvent(player, *event);
  }
}

// Loads the player's file and waits for its loaded event (true) or its end (false).
bool loadAndWait(MediaPlayer& player) {
  const std::string path = localPath(player.path);
  const char* command[] = {"loadfile", path.c_str(), nullptr};
  if (mpv_command(player.mpv, command) < 0) return false;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kMediaLoadWaitMs);
  for (;;) {
    const auto left = std::chrono::duration<double>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    const mpv_event* event = mpv_wait_event(player.mpv, left.count());
    noteEvent(player, *event);
    if (event->event_id == MPV_EVENT_FILE_LOADED) return true;
    if (event->event_id == MPV_EVENT_END_FILE) return false;
  }
}

void setOption(mpv_handle* mpv, const char* name, const char* value) {
  mpv_set_option_string(mpv, name, value);
}

double numberProperty(MediaPlayer* player, const char* name) {
  if (player == nullptr) return 0;
  takeEvents(*player);
  double value = 0;
  if (mpv_get_property(player->mpv, name, MPV_FORMAT_DOUBLE, &value) < 0) return 0;
  return std::isfinite(value) ? value : 0;
}

void setPaused(MediaPlayer* player, bool paused) {
  if (player == nullptr) return;
  int flag = paused ? 1 : 0;
  mpv_set_property(player->mpv, "pause", MPV_FORMAT_FLAG, &flag);
}

bool createRenderContext(MediaPlayer& player) {
  player.gl = loadFramebufferCalls();
  if (!player.gl.complete()) return false;
  mpv_opengl_init_params init{};
  init.get_proc_address = procAddress;
  char api[] = MPV_RENDER_API_TYPE_OPENGL;
  mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, api},
                               {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &init},
                               {MPV_RENDER_PARAM_INVALID, nullptr}};
  // mpv sets up its GL objects here; the runtime's bindings must survive that too.
  SavedGlState saved(player.gl);
  if (mpv_render_context_create(&player.render, player.mpv, params) < 0) {
    player.render = nullptr;
    return false;
  }
  mpv_render_context_set_update_callback(player.render, onPictureUpdate, &player);
  return true;
}

// The tests and modes of the runtime's drawing that would cut or tint a picture drawn now
// (a shader program does not switch them off).
void disableFixedFunctionTests() {
  for (GLenum capability : {GL_BLEND, GL_DEPTH_TEST, GL_ALPHA_TEST, GL_LIGHTING, GL_CULL_FACE,
                            GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_FOG, GL_COLOR_LOGIC_OP}) {
    glDisable(capability);
  }
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

// A texture of exactly the shown size with its framebuffer object; false when GL refuses.
bool prepareTarget(MediaPlayer& player, int width, int height) {
  if (player.texture != 0 && player.textureWidth == width && player.textureHeight == height) {
    return true;
  }
  if (player.texture == 0) glGenTextures(1, &player.texture);
  if (player.framebuffer == 0) player.gl.genFramebuffers(1, &player.framebuffer);
  glBindTexture(GL_TEXTURE_2D, player.texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  player.gl.bindFramebuffer(GL_FRAMEBUFFER, player.framebuffer);
  player.gl.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                                 player.texture, 0);
  const bool complete = player.gl.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  player.textureWidth = complete ? width : 0;
  player.textureHeight = complete ? height : 0;
  return complete;
}

}  // namespace

MediaPlayer* openMedia(const std::string& path, MediaKind kind, bool loop) {
  if (path.empty()) return nullptr;
  mpv_handle* mpv = mpv_create();
  if (mpv == nullptr) return nullptr;  // no player: the absent-device answers apply
  auto* player = new MediaPlayer;
  player->mpv = mpv;
  player->kind = kind;
  player->path = path;
  // Nothing of the user's mpv set-up, no window, no keys, no scripts, no network look-ups.
  setOption(mpv, "config", "no");
  setOption(mpv, "terminal", "no");
  setOption(mpv, "load-scripts", "no");
  setOption(mpv, "ytdl", "no");
  setOption(mpv, "osc", "no");
  setOption(mpv, "input-default-bindings", "no");
  setOption(mpv, "input-vo-keyboard", "no");
  setOption(mpv, "hwdec", "no");
  setOption(mpv, "gpu-hwdec-interop", "no");
  setOption(mpv, "sub-auto", "no");
  setOption(mpv, "audio-file-auto", "no");
  setOption(mpv, "idle", "yes");
  setOption(mpv, "keep-open", "no");
  if (kind == MediaKind::kMusic) {
    setOption(mpv, "vid", "no");
    setOption(mpv, "audio-display", "no");
    setOption(mpv, "vo", "null");
  } else {
    setOption(mpv, "vo", "libmpv");
    setOption(mpv, "pause", "yes");
  }
  if (loop) setOption(mpv, "loop-file", "inf");
  if (!audioOutputForTesting().empty()) setOption(mpv, "ao", audioOutputForTesting().c_str());

  bool ready = mpv_initialize(mpv) >= 0;
  if (ready) mpv_set_wakeup_callback(mpv, onWakeup, player);
  if (ready && kind == MediaKind::kVideo) ready = createRenderContext(*player);
  if (ready) ready = loadAndWait(*player);
  if (!ready) {
    closeMedia(player);
    return nullptr;
  }
  return player;
}

void closeMedia(MediaPlayer* player) {
  if (player == nullptr) return;
  if (player->render != nullptr) {
    SavedGlState saved(player->gl);
    // Before the handle: the render context holds GL objects of the current context.
    mpv_render_context_free(player->render);
    if (player->framebuffer != 0) player->gl.deleteFramebuffers(1, &player->framebuffer);
    if (player->texture != 0) glDeleteTextures(1, &player->texture);
  }
  mpv_terminate_destroy(player->mpv);
  delete player;
}

void playMedia(MediaPlayer* player) { setPaused(player, false); }

void pauseMedia(MediaPlayer* player) { setPaused(player, true); }

void stopMedia(MediaPlayer* player) {
  if (player == nullptr) return;
  setPaused(player, true);
  const char* command[] = {"seek", "0", "absolute", nullptr};
  mpv_command(player->mpv, command);
}

void restartMedia(MediaPlayer* player) {
  if (player == nullptr) return;
  takeEvents(*player);
  if (player->finished) {
    // A file that cannot be loaded again (gone, say) counts as failed: nobody retries it.
    if (!loadAndWait(*player)) {
      player->finished = true;
      player->failed = true;
      return;
    }
  } else {
    const char* command[] = {"seek", "0", "absolute", nullptr};
    mpv_command(player->mpv, command);
  }
  setPaused(player, false);
}

void setMediaVolume(MediaPlayer* player, int volume) {
  if (player == nullptr) return;
  double mpvVolume = std::clamp(volume, 0, kMaxMediaVolume) * kMpvVolumePerRuntimeVolume;
  mpv_set_property(player->mpv, "volume", MPV_FORMAT_DOUBLE, &mpvVolume);
}

int mediaVolume(MediaPlayer* player) {
  return static_cast<int>(
      std::lround(numberProperty(player, "volume") / kMpvVolumePerRuntimeVolume));
}

int64_t mediaLengthMilliseconds(MediaPlayer* player) {
  return std::llround(numberProperty(player, "duration") * 1000);
}

int64_t mediaPositionMilliseconds(MediaPlayer* player) {
  return std::llround(numberProperty(player, "time-pos") * 1000);
}

bool mediaFinished(MediaPlayer* player) {
  if (player == nullptr) return true;
  takeEvents(*player);
  return player->finished;
}

bool mediaFailed(MediaPlayer* player) {
  if (player == nullptr) return false;
  takeEvents(*player);
  return player->failed;
}

MediaPictureSize mediaPictureSize(MediaPlayer* player) {
  MediaPictureSize size;
  if (player == nullptr || player->kind != MediaKind::kVideo) return size;
  int64_t width = 0, height = 0;
  if (mpv_get_property(player->mpv, "width", MPV_FORMAT_INT64, &width) < 0 ||
      mpv_get_property(player->mpv, "height", MPV_FORMAT_INT64, &height) < 0 || width <= 0 ||
      height <= 0 || width > 1 << 16 || height > 1 << 16) {
    return size;
  }
  size.width = static_cast<int>(width);
  size.height = static_cast<int>(height);
  return size;
}

bool mediaPictureReady(MediaPlayer* player) {
  return player != nullptr && player->render != nullptr &&
         player->pictureDue.load(std::memory_order_acquire);
}

bool drawMediaPicture(MediaPlayer* player, int x, int y, int width, int height, int windowWidth,
                      int windowHeight) {
  if (player == nullptr || player->render == nullptr || width <= 0 || height <= 0) return false;
  player->pictureDue.store(false, std::memory_order_release);
  mpv_render_context_update(player->render);
  {
    SavedGlState saved(player->gl);
    if (!prepareTarget(*player, width, height)) return false;
    disableFixedFunctionTests();
    mpv_opengl_fbo target{static_cast<int>(player->framebuffer), width, height, 0};
    int flip = 0;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &target},
                                 {MPV_RENDER_PARAM_FLIP_Y, &flip},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context_render(player->render, params);
  }
  SavedGlState saved(player->gl);
  player->gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
  if (player->gl.useProgram) player->gl.useProgram(0);
  disableFixedFunctionTests();
  glViewport(0, 0, windowWidth, windowHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, windowWidth, windowHeight, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, player->texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glColor4f(1, 1, 1, 1);
  // The rendered texture holds the picture's top row first: t = 0 goes to the top edge.
  const float left = static_cast<float>(x), top = static_cast<float>(y);
  const float right = left + static_cast<float>(width), bottom = top + static_cast<float>(height);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(left, top);
  glTexCoord2f(1, 0);
  glVertex2f(right, top);
  glTexCoord2f(1, 1);
  glVertex2f(right, bottom);
  glTexCoord2f(0, 1);
  glVertex2f(left, bottom);
  glEnd();
  return true;
}

void setMediaAudioOutputForTesting(const std::string& driver) { audioOutputForTesting() = driver; }

}  // namespace korvane::platform
