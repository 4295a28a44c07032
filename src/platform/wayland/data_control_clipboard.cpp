#include "platform/wayland/data_control_clipboard.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace pigmora::wayland {
namespace {

// The two protocols carry the same messages under different names; the session below is written
// once against these names.
#define PIGMORA_DATA_CONTROL_NAMES(Names, prefix, maxVersion)                                     \
  struct Names {                                                                                  \
    using Manager = prefix##_manager_v1;                                                          \
    using Device = prefix##_device_v1;                                                            \
    using Source = prefix##_source_v1;                                                            \
    using Offer = prefix##_offer_v1;                                                              \
    using DeviceListener = prefix##_device_v1_listener;                                           \
    using SourceListener = prefix##_source_v1_listener;                                           \
    static constexpr const char* kManagerName = #prefix "_manager_v1";                            \
    static constexpr uint32_t kMaxVersion = maxVersion;                                           \
    static const wl_interface* ManagerInterface() { return &prefix##_manager_v1_interface; }      \
    static Device* GetDevice(Manager* m, wl_seat* s) {                                            \
      return prefix##_manager_v1_get_data_device(m, s);                                           \
    }                                                                                             \
    static Source* CreateSource(Manager* m) { return prefix##_manager_v1_create_data_source(m); } \
    static void Destroy(Manager* m) { prefix##_manager_v1_destroy(m); }                           \
    static void Listen(Device* d, const DeviceListener* l, void* data) {                          \
      prefix##_device_v1_add_listener(d, l, data);                                                \
    }                                                                                             \
    static void SetSelection(Device* d, Source* s) { prefix##_device_v1_set_selection(d, s); }    \
    static void Destroy(Device* d) { prefix##_device_v1_destroy(d); }                             \
    static void Listen(Source* s, const SourceListener* l, void* data) {                          \
      prefix##_source_v1_add_listener(s, l, data);                                                \
    }                                                                                             \
    static void AddType(Source* s, const char* mimeType) {                                        \
      prefix##_source_v1_offer(s, mimeType);                                                      \
    }                                                                                             \
    static void Destroy(Source* s) { prefix##_source_v1_destroy(s); }                             \
    static void Destroy(Offer* o) { prefix##_offer_v1_destroy(o); }                               \
  }

PIGMORA_DATA_CONTROL_NAMES(ExtDataControl, ext_data_control, 1);
// Version 2 only adds the primary selection, which Pigmora does not set.
PIGMORA_DATA_CONTROL_NAMES(WlrDataControl, zwlr_data_control, 2);
#undef PIGMORA_DATA_CONTROL_NAMES

// The names under which programs ask for plain text, the same set wl-copy offers: Wayland
// programs ask for the MIME types, X11 programs behind XWayland for the last three.
constexpr const char* kTextTypes[] = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING",
                                      "STRING", "TEXT"};

// Writes the text to a reader's pipe without ever blocking the program or being killed by it:
// the descriptor is made non-blocking, and the SIGPIPE of a reader that went away is blocked and
// taken back instead of being ignored process-wide (an ignored signal would be inherited by every
// program started from here).
void ServeText(int fd, const std::string& text) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  sigset_t pipeSignal;
  sigset_t previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  const char* next = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t written = write(fd, next, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    next += written;
    left -= static_cast<size_t>(written);
  }
  sigset_t pending;
  sigpending(&pending);
  if (sigismember(&pending, SIGPIPE)) {
    const timespec noWait{};
    sigtimedwait(&pipeSignal, nullptr, &noWait);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  close(fd);
}

template <class P>
class DataControlSession final : public DataControlClipboard {
 public:
  DataControlSession(wl_display* display, wl_seat* seat, typename P::Manager* manager,
                     LostHandler onLost)
      : display_(display), seat_(seat), manager_(manager), onLost_(std::move(onLost)) {}

  ~DataControlSession() override {
    if (source_) P::Destroy(source_);
    if (device_) P::Destroy(device_);
    P::Destroy(manager_);
    wl_proxy_destroy(reinterpret_cast<wl_proxy*>(seat_));
    wl_display_disconnect(display_);
  }

  // The device announces the current selection at once; after that first exchange everything
  // arrives through the connection's socket, watched by Qt's event loop (no thread, no timer).
  bool Start(std::string& failure) {
    device_ = P::GetDevice(manager_, seat_);
    P::Listen(device_, &kDeviceListener, this);
    if (wl_display_roundtrip(display_) < 0) {
      failure = "the Wayland compositor closed the connection while the clipboard was set up";
      return false;
    }
    const int fd = wl_display_get_fd(display_);
    readable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(readable_.get(), &QSocketNotifier::activated, [this] { Dispatch(); });
    writable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    writable_->setEnabled(false);
    QObject::connect(writable_.get(), &QSocketNotifier::activated, [this] { Flush(); });
    return true;
  }

  bool SetText(const std::string& utf8) override {
    if (lost_) return false;
    typename P::Source* source = P::CreateSource(manager_);
    P::Listen(source, &kSourceListener, this);
    for (const char* type : kTextTypes) P::AddType(source, type);
    P::SetSelection(device_, source);
    // The old source is dropped only now, so that the selection is never empty in between.
    if (source_) P::Destroy(source_);
    source_ = source;
    text_ = utf8;
    Flush();
    return !lost_;
  }

 private:
  void Dispatch() {
    while (wl_display_prepare_read(display_) != 0) wl_display_dispatch_pending(display_);
    if (wl_display_read_events(display_) < 0 || wl_display_dispatch_pending(display_) < 0) {
      Lose("lost the connection to the Wayland compositor");
      return;
    }
    Flush();
  }

  // Requests wait in libwayland's buffer until flushed; a full socket is retried when the
  // compositor has read some of it.
  void Flush() {
    if (lost_) return;
    if (wl_display_flush(display_) >= 0) {
      writable_->setEnabled(false);
    } else if (errno == EAGAIN) {
      writable_->setEnabled(true);
    } else {
      Lose("lost the connection to the Wayland compositor");
    }
  }

  void Lose(const std::string& why) {
    if (lost_) return;
    lost_ = true;
    readable_->setEnabled(false);
    writable_->setEnabled(false);
    if (onLost_) onLost_(why);
  }

  static DataControlSession* Self(void* data) { return static_cast<DataControlSession*>(data); }

  // Offers from other clients are never read: each is released as soon as it is announced as
  // the (primary) selection.
  static void OnDataOffer(void*, typename P::Device*, typename P::Offer*) {}
  static void OnSelection(void*, typename P::Device*, typename P::Offer* offer) {
    if (offer) P::Destroy(offer);
  }
  static void OnFinished(void* data, typename P::Device*) {
    Self(data)->Lose("the Wayland compositor withdrew its clipboard device");
  }
  static void OnSend(void* data, typename P::Source*, const char*, int32_t fd) {
    ServeText(fd, Self(data)->text_);
  }
  // Another program took the clipboard: this source will not be asked again.
  static void OnCancelled(void* data, typename P::Source* source) {
    DataControlSession* self = Self(data);
    P::Destroy(source);
    if (self->source_ == source) self->source_ = nullptr;
  }

  static constexpr typename P::DeviceListener kDeviceListener{&OnDataOffer, &OnSelection,
                                                              &OnFinished, &OnSelection};
  static constexpr typename P::SourceListener kSourceListener{&OnSend, &OnCancelled};

  wl_display* display_;
  wl_seat* seat_;
  typename P::Manager* manager_;
  LostHandler onLost_;
  typename P::Device* device_ = nullptr;
  typename P::Source* source_ = nullptr;
  std::string text_;
  bool lost_ = false;
  std::unique_ptr<QSocketNotifier> readable_;
  std::unique_ptr<QSocketNotifier> writable_;
};

// What the compositor offers, collected from its registry.
struct Globals {
  struct Global {
    uint32_t name = 0;
    uint32_t version = 0;
  };
  Global seat;
  Global ext;
  Global wlr;
};

void OnGlobal(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version) {
  auto* globals = static_cast<Globals*>(data);
  Globals::Global found{name, version};
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && globals->seat.name == 0) {
    globals->seat = found;
  } else if (std::strcmp(interface, ExtDataControl::kManagerName) == 0) {
    globals->ext = found;
  } else if (std::strcmp(interface, WlrDataControl::kManagerName) == 0) {
    globals->wlr = found;
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

constexpr wl_registry_listener kRegistryListener{&OnGlobal, &OnGlobalRemove};

// Binds the seat and the manager, lets the registry go (later globals are of no interest, and
// its listener's data lives on the caller's stack), then starts the session on them.
template <class P>
std::unique_ptr<DataControlClipboard> StartSession(wl_display* display, wl_registry* registry,
                                                   const Globals& globals,
                                                   const Globals::Global& manager,
                                                   DataControlClipboard::LostHandler onLost,
                                                   std::string& failure) {
  auto* seat =
      static_cast<wl_seat*>(wl_registry_bind(registry, globals.seat.name, &wl_seat_interface, 1));
  auto* boundManager = static_cast<typename P::Manager*>(wl_registry_bind(
      registry, manager.name, P::ManagerInterface(), std::min(manager.version, P::kMaxVersion)));
  wl_registry_destroy(registry);
  auto session =
      std::make_unique<DataControlSession<P>>(display, seat, boundManager, std::move(onLost));
  if (!session->Start(failure)) return nullptr;
  return session;
}

}  // namespace

std::unique_ptr<DataControlClipboard> DataControlClipboard::Connect(LostHandler onLost,
                                                                    std::string& failure) {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  const std::string socket = name && *name ? name : "wayland-0";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  // libwayland would say this on stderr itself, in a line of its own.
  if (socket.front() != '/' && !(runtime && *runtime)) {
    failure = "cannot find the Wayland compositor \"" + socket + "\" (XDG_RUNTIME_DIR is not set)";
    return nullptr;
  }
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    failure = "cannot connect to the Wayland compositor \"" + socket + "\"";
    return nullptr;
  }
  Globals globals;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &globals);
  const bool answered = wl_display_roundtrip(display) >= 0;
  if (!answered || globals.seat.name == 0 || (globals.ext.name == 0 && globals.wlr.name == 0)) {
    failure = !answered                ? "the Wayland compositor closed the connection"
              : globals.seat.name == 0 ? "the Wayland compositor has no seat"
                                       : "the Wayland compositor offers no data-control protocol "
                                         "(ext-data-control-v1 or wlr-data-control-unstable-v1)";
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return nullptr;
  }
  // The standard protocol first: it is the one every compositor is moving to.
  if (globals.ext.name != 0) {
    return StartSession<ExtDataControl>(display, registry, globals, globals.ext, std::move(onLost),
                                        failure);
  }
  return StartSession<WlrDataControl>(display, registry, globals, globals.wlr, std::move(onLost),
                                      failure);
}

}  // namespace pigmora::wayland
