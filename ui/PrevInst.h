// TPrevInst: the single-instance rule. The first instance of a user listens
// on a local socket of that user; a later start connects to it, hands over
// one request line (bring the window to the front, and what else the start
// asks for), and ends.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>

namespace tessaly::ui {

class TPrevInst : public QObject {
  Q_OBJECT
 public:
  // How many instances may run at once.
  int AllowedInst = 1;

  // `serverName` empty: the name of this user's instance
  // (InstanceServerName()).
  explicit TPrevInst(QString serverName = {}, QObject* parent = nullptr);

  // The request of a start that only brings the window to the front.
  static constexpr const char* kActivateRequest = "activate";
  // The longest request line taken; a longer one is dropped unanswered.
  static constexpr qint64 kMaxRequestBytes = 1 << 20;

  // True when another instance runs: it has been handed `request` (one
  // line, without its line end) and has answered, or a short wait has
  // passed. Otherwise this instance now listens for later starts.
  bool HandOverToRunning(const QByteArray& request = kActivateRequest);

  // Called on the window thread with each request line a later start hands
  // over (without its line end).
  void SetRequestHandler(std::function<void(const QByteArray&)> handler) { handler_ = std::move(handler); }
  // The same for a handler that only brings the window up.
  void SetActivateHandler(std::function<void()> handler) {
    handler_ = [activate = std::move(handler)](const QByteArray&) { activate(); };
  }

  bool Listening() const { return server_.isListening(); }
  const QString& ServerName() const { return serverName_; }

  // "$XDG_RUNTIME_DIR/tessaly-instance", or "tessaly-instance-<uid>" in the
  // temporary folder without a runtime folder; the value of TESSALY_INSTANCE
  // when set (a separate set of instances, as tests and scripts use).
  static QString InstanceServerName();

 private:
  void AnswerConnection();

  QString serverName_;
  QLocalServer server_;
  std::function<void(const QByteArray&)> handler_;
};

}  // namespace tessaly::ui
