// The in-process window system: class and window tables, the message queue.
#include "tools/ravelt/WindowSystem.h"

#include <cerrno>
#include <vector>

#include "tools/ravelt/RichEdit.h"

namespace tessaly::ravelt {

bool TWindowSystem::LoadLibrary(const std::string& name) {
  std::string className;
  if (name == "RICHED32.DLL") className = "RICHEDIT";
  else if (name == "RICHED20.DLL") className = "RichEdit20A";
  else {
    lastError_ = ENOENT;
    return false;
  }
  if (classes_.count(className) == 0) {
    auto windowClass = std::make_shared<WindowClass>();
    windowClass->factory = [] { return std::make_unique<TRichEdit>(); };
    classes_[className] = std::move(windowClass);
  }
  return true;
}

bool TWindowSystem::RegisterClass(const std::string& name, WindowProc proc) {
  if (classes_.count(name) != 0) return true;
  if (!proc) {
    lastError_ = EINVAL;
    return false;
  }
  auto windowClass = std::make_shared<WindowClass>();
  windowClass->proc = std::move(proc);
  classes_[name] = std::move(windowClass);
  return true;
}

HWND TWindowSystem::CreateWindow(const std::string& className, std::uint32_t style, int, int, int, int,
                                 HWND parent, int id, const void* createParams) {
  auto found = classes_.find(className);
  if (found == classes_.end() || (parent != 0 && windows_.count(parent) == 0)) {
    lastError_ = EINVAL;
    return 0;
  }
  const HWND hwnd = nextHandle_++;
  Window& window = windows_[hwnd];
  window.className = className;
  window.parent = parent;
  window.id = id;
  window.windowClass = found->second;
  if (found->second->factory) window.object = found->second->factory();
  CreateStruct create{createParams, parent, id, style};
  if (Deliver(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(hwnd);
    if (lastError_ == 0) lastError_ = EINVAL;
    return 0;
  }
  return hwnd;
}

bool TWindowSystem::DestroyWindow(HWND hwnd) {
  if (windows_.count(hwnd) == 0) {
    lastError_ = EINVAL;
    return false;
  }
  Deliver(hwnd, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  for (const auto& [handle, window] : windows_)
    if (window.parent == hwnd) children.push_back(handle);
  for (HWND child : children) DestroyWindow(child);
  windows_.erase(hwnd);
  return true;
}

HWND TWindowSystem::GetDlgItem(HWND parent, int id) const {
  for (const auto& [handle, window] : windows_)
    if (window.parent == parent && window.id == id) return handle;
  return 0;
}

LRESULT TWindowSystem::SendMessage(HWND hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
  if (windows_.count(hwnd) == 0) {
    lastError_ = EINVAL;
    return 0;
  }
  return Deliver(hwnd, message, wParam, lParam);
}

bool TWindowSystem::PostMessage(HWND hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
  if (hwnd != 0 && windows_.count(hwnd) == 0) {
    lastError_ = EINVAL;
    return false;
  }
  queue_.push_back(Msg{hwnd, message, wParam, lParam});
  return true;
}

void TWindowSystem::PostQuitMessage(int exitCode) {
  queue_.push_back(Msg{0, WM_QUIT, static_cast<WPARAM>(exitCode), 0});
}

bool TWindowSystem::GetMessage(Msg& msg) {
  if (queue_.empty()) return false;
  msg = queue_.front();
  queue_.pop_front();
  return msg.message != WM_QUIT;
}

LRESULT TWindowSystem::DispatchMessage(const Msg& msg) {
  if (windows_.count(msg.hwnd) == 0) return 0;
  return Deliver(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

LRESULT TWindowSystem::Deliver(HWND hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
  // Copies keep the class and the control alive while a handler destroys
  // its own window.
  auto found = windows_.find(hwnd);
  if (found == windows_.end()) return 0;
  std::shared_ptr<WindowClass> windowClass = found->second.windowClass;
  std::shared_ptr<TWindowObject> object = found->second.object;
  if (object) return object->HandleMessage(*this, hwnd, message, wParam, lParam);
  if (windowClass && windowClass->proc) return windowClass->proc(*this, hwnd, message, wParam, lParam);
  return DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace tessaly::ravelt
