// TTerminationSignals: SIGTERM, SIGINT and SIGHUP (a logout, a `kill`, Ctrl+C
// in the terminal that started the window) end the window as its close
// button does, so the settings are written, a running search is stopped and
// the work folder is cleaned, instead of the process dying where it stands.
//
// The signal handler only writes a byte to a socket pair; the event loop
// reads it and calls the handler given, on the window's thread.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace tessaly::ui {

class TTerminationSignals : public QObject {
  Q_OBJECT
 public:
  // Installs the handlers; the previous ones come back with the destructor.
  // One instance at a time.
  explicit TTerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
  ~TTerminationSignals() override;
  TTerminationSignals(const TTerminationSignals&) = delete;
  TTerminationSignals& operator=(const TTerminationSignals&) = delete;

 private:
  void Arrived();

  std::function<void()> onSignal_;
  int sockets_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tessaly::ui
