// An in-process stand-in for the window system that ravelt drives: window
// classes, windows with child identifiers, a posted-message queue with its
// get/translate/dispatch loop, sent messages, and libraries that register
// control classes.
//
// Window handles are object ids: numbers handed out in creation order,
// never 0. A window belongs to a class, which is either a registered window
// procedure or a control class brought in by LoadLibrary (then each window
// owns a TWindowObject that handles its messages). Failing calls leave an
// errno value for GetLastError.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace tessaly::ravelt {

using HWND = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr std::uint32_t WM_CREATE = 0x0001;
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_APP = 0x8000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t ES_MULTILINE = 0x0004;

struct Msg {
  HWND hwnd = 0;
  std::uint32_t message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// What WM_CREATE carries in its lParam.
struct CreateStruct {
  const void* lpCreateParams = nullptr;
  HWND hwndParent = 0;
  int id = 0;
  std::uint32_t style = 0;
};

class TWindowSystem;

using WindowProc = std::function<LRESULT(TWindowSystem&, HWND, std::uint32_t, WPARAM, LPARAM)>;

// A control implemented in process (the rich edit control).
class TWindowObject {
 public:
  virtual ~TWindowObject() = default;
  virtual LRESULT HandleMessage(TWindowSystem& system, HWND hwnd, std::uint32_t message, WPARAM wParam,
                                LPARAM lParam) = 0;
};

class TWindowSystem {
 public:
  // Loads a control library: "RICHED32.DLL" registers the class "RICHEDIT",
  // "RICHED20.DLL" the class "RichEdit20A" (both the same RTF engine).
  // False for any other name.
  bool LoadLibrary(const std::string& name);
  // Registers a window class; true also when the class already exists.
  bool RegisterClass(const std::string& name, WindowProc proc);
  // Creates a window and sends it WM_CREATE; a procedure that answers -1
  // makes the creation fail (the window is destroyed again). Returns 0 on
  // failure.
  HWND CreateWindow(const std::string& className, std::uint32_t style, int x, int y, int width, int height,
                    HWND parent, int id, const void* createParams);
  // Sends WM_DESTROY to the window (children first) and removes it.
  bool DestroyWindow(HWND hwnd);
  // The child of `parent` with identifier `id`, or 0.
  HWND GetDlgItem(HWND parent, int id) const;
  // Calls the window's handler at once; 0 for a window that does not exist.
  LRESULT SendMessage(HWND hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam);
  bool PostMessage(HWND hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam);
  void PostQuitMessage(int exitCode);
  // Takes the next posted message. False for the quit message, and also
  // when the queue is empty: with no other thread nothing could ever
  // arrive, so waiting would never end.
  bool GetMessage(Msg& msg);
  void TranslateMessage(const Msg&) {}
  LRESULT DispatchMessage(const Msg& msg);
  static LRESULT DefWindowProc(HWND, std::uint32_t, WPARAM, LPARAM) { return 0; }
  int GetLastError() const { return lastError_; }

 private:
  struct WindowClass {
    WindowProc proc;
    std::function<std::unique_ptr<TWindowObject>()> factory;  // control classes
  };
  struct Window {
    std::string className;
    HWND parent = 0;
    int id = 0;
    std::shared_ptr<WindowClass> windowClass;
    std::shared_ptr<TWindowObject> object;
  };
  LRESULT Deliver(HWND hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam);

  std::map<std::string, std::shared_ptr<WindowClass>> classes_;
  std::map<HWND, Window> windows_;
  std::deque<Msg> queue_;
  HWND nextHandle_ = 0x00010010;
  int lastError_ = 0;
};

}  // namespace tessaly::ravelt
