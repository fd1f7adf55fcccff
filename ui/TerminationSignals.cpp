// The self-pipe between the signal handlers and the event loop.
#include "ui/TerminationSignals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace tessaly::ui {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end, for the handler; -1 while no instance is installed.
volatile std::sig_atomic_t writeEnd = -1;
struct sigaction previous[std::size(kSignals)];

extern "C" void OnTerminationSignal(int) {
  const int savedErrno = errno;
  const char byte = 1;
  // A full socket already holds a wake-up: this one may be dropped.
  if (writeEnd >= 0) {
    const ssize_t written = ::write(writeEnd, &byte, 1);
    static_cast<void>(written);
  }
  errno = savedErrno;
}

}  // namespace

TTerminationSignals::TTerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sockets_) != 0) {
    sockets_[0] = sockets_[1] = -1;
    return;  // the signals keep their default action
  }
  notifier_ = std::make_unique<QSocketNotifier>(sockets_[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &TTerminationSignals::Arrived);
  writeEnd = sockets_[1];
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &previous[i]);
}

TTerminationSignals::~TTerminationSignals() {
  if (sockets_[0] < 0) return;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
  writeEnd = -1;
  notifier_.reset();
  ::close(sockets_[0]);
  ::close(sockets_[1]);
}

void TTerminationSignals::Arrived() {
  char bytes[64];
  while (::read(sockets_[0], bytes, sizeof bytes) > 0) {
  }
  if (onSignal_) onSignal_();
}

}  // namespace tessaly::ui
