// Platform layer (internal) - a callback the host installs, kept with the
// context it is called with: the message-box handler, the window observer.
#ifndef MATRIX_PLATFORM_SRC_HOST_CALLBACK_H_
#define MATRIX_PLATFORM_SRC_HOST_CALLBACK_H_

#include <mutex>

namespace matrix::platform::window {

// The callback and its context are set and read together under a lock of
// their own, so that a call never pairs one installation's callback with
// another's context. Callers call it outside the lock, so that it may call
// back into the layer (and install another).
template <class Callback>
class HostCallback {
 public:
  struct Installed {
    Callback callback;
    void* context;
  };

  void Set(Callback callback, void* context) {
    std::lock_guard<std::mutex> lock(mutex_);
    installed_ = {callback, context};
  }
  Installed Get() {
    std::lock_guard<std::mutex> lock(mutex_);
    return installed_;
  }

 private:
  std::mutex mutex_;
  Installed installed_{nullptr, nullptr};
};

// The one installation of each kind of host callback (the callback types
// differ), made on first use.
template <class Callback>
HostCallback<Callback>& Installed() {
  static HostCallback<Callback> installed;
  return installed;
}

}  // namespace matrix::platform::window

#endif  // MATRIX_PLATFORM_SRC_HOST_CALLBACK_H_
