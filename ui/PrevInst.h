// TPrevInst: the single-instance rule. The first instance of a user listens
// on a local socket of that user; a later start connects to it, asks
// it to bring its window to the front, and ends.
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

  // True when another instance runs: it has been asked to come to the front
  // (and has answered, or a short wait has passed). Otherwise this instance
  // now listens for later starts.
  bool HandOverToRunning();

  // Called on the window thread when a later start asks for the window.
  void SetActivateHandler(std::function<void()> handler) { activate_ = std::move(handler); }

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
  std::function<void()> activate_;
};

}  // namespace tessaly::ui
