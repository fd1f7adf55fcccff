// The single-instance rule: a later start hands over to the running instance
// and ends with status 0, in-process and between two real processes.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <atomic>
#include <cstring>
#include <thread>

#include "ui/PrevInst.h"
#include "UiTestSupport.h"

namespace tessaly::ui::test {
namespace {

QString UniqueName(const char* what) {
  return QStringLiteral("tessaly-test-%1-%2-%3").arg(what).arg(::getpid()).arg(std::rand());
}

TEST(PrevInst, ASecondInstanceAsksTheFirstToComeForward) {
  App();
  const QString name = UniqueName("inproc");
  TPrevInst first(name);
  int activations = 0;
  first.SetActivateHandler([&] { ++activations; });
  ASSERT_FALSE(first.HandOverToRunning());  // nobody runs yet: it listens
  EXPECT_TRUE(first.Listening());

  std::atomic<bool> handedOver{false}, done{false};
  std::thread second([&] {
    TPrevInst later(name);
    handedOver = later.HandOverToRunning();
    done = true;
  });
  ASSERT_TRUE(ProcessUntil([&] { return done.load(); }));
  second.join();
  EXPECT_TRUE(handedOver);
  EXPECT_EQ(activations, 1);
}

TEST(PrevInst, ASocketLeftBehindIsTakenOver) {
  App();
  const QString name = UniqueName("stale");
  // An instance that died left its socket file: bound, nobody listening.
  const QByteArray path = QFile::encodeName(QDir::tempPath() + "/" + name);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
  TPrevInst next(name);
  EXPECT_FALSE(next.HandOverToRunning());
  EXPECT_TRUE(next.Listening());
}

TEST(PrevInst, TheServerNameNeverMeetsTheWorkFolder) {
  // The work folder is $XDG_RUNTIME_DIR/tessaly or /tmp/tessaly-<uid>.
  const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
  qunsetenv("TESSALY_INSTANCE");
  qputenv("XDG_RUNTIME_DIR", "/run/user/1000");
  EXPECT_EQ(TPrevInst::InstanceServerName(), "/run/user/1000/tessaly-instance");
  qunsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(TPrevInst::InstanceServerName(), QStringLiteral("tessaly-instance-%1").arg(::getuid()));
  qputenv("TESSALY_INSTANCE", "chosen");
  EXPECT_EQ(TPrevInst::InstanceServerName(), "chosen");
  qunsetenv("TESSALY_INSTANCE");
  if (!saved.isEmpty()) qputenv("XDG_RUNTIME_DIR", saved);
}

TEST(PrevInst, TwoProcessesSecondHandsOverAndExitsZero) {
  App();
  const QString program = QStringLiteral(TESSALY_BIN_DIR "/tessaly");
  TempFolder runtime;
  ::chmod(runtime.path().c_str(), 0700);
  // A runtime folder of its own: the instances meet under their default
  // name there, and no real instance of the user is disturbed.
  const QString name = QString::fromStdString(runtime.path()) + "/tessaly-instance";
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.remove("TESSALY_INSTANCE");
  env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.path()));
  // The window's settings file lies there too, never in the user's own folder.
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(runtime.path()));

  QProcess first;
  first.setProcessEnvironment(env);
  first.start(program, {});
  ASSERT_TRUE(first.waitForStarted(30000));
  // The first instance is up once its server answers.
  ASSERT_TRUE(ProcessUntil([&] {
    QLocalSocket probe;
    probe.connectToServer(name);
    const bool up = probe.waitForConnected(100);
    probe.abort();
    return up || first.state() != QProcess::Running;
  }));
  ASSERT_EQ(first.state(), QProcess::Running);

  QProcess second;
  second.setProcessEnvironment(env);
  second.start(program, {});
  ASSERT_TRUE(second.waitForFinished(60000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);  // the first one goes on
  // ... and answers a hand-over by bringing its window up.
  QLocalSocket asking;
  asking.connectToServer(name);
  ASSERT_TRUE(asking.waitForConnected(30000));
  asking.write("activate\n");
  ASSERT_TRUE(ProcessUntil([&] { return asking.canReadLine() || asking.state() != QLocalSocket::ConnectedState; }));
  EXPECT_EQ(asking.readLine(), "activated\n");

  // SIGTERM closes the window as its close button does: the settings are
  // written and the process ends normally.
  first.terminate();
  if (!first.waitForFinished(30000)) {
    first.kill();
    first.waitForFinished(30000);
  }
  EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(first.exitCode(), 0);
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(runtime.path()) + "/Tessaly/Tessaly.ini"));
}

// Real window processes of one test, meeting under their default socket in
// a runtime folder of their own, with their settings file there too.
class WindowProcesses {
 public:
  WindowProcesses() {
    ::chmod(runtime_.path().c_str(), 0700);
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("QT_QPA_PLATFORM", "offscreen");
    env_.remove("TESSALY_INSTANCE");
    env_.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime_.path()));
    env_.insert("XDG_CONFIG_HOME", QString::fromStdString(runtime_.path()));
  }
  // Starts a window in `folder` and waits until it answers on the socket.
  void StartFirst(const QString& folder, const QStringList& args) {
    first_.setProcessEnvironment(env_);
    first_.setWorkingDirectory(folder);
    first_.start(QStringLiteral(TESSALY_BIN_DIR "/tessaly"), args);
    ASSERT_TRUE(first_.waitForStarted(30000));
    ASSERT_TRUE(ProcessUntil([&] {
      QLocalSocket probe;
      probe.connectToServer(SocketName());
      const bool up = probe.waitForConnected(100);
      probe.abort();
      return up || first_.state() != QProcess::Running;
    }));
    ASSERT_EQ(first_.state(), QProcess::Running);
  }
  // Runs a later start to its end; its exit code.
  int RunLater(const QString& folder, const QStringList& args) {
    QProcess later;
    later.setProcessEnvironment(env_);
    later.setWorkingDirectory(folder);
    later.start(QStringLiteral(TESSALY_BIN_DIR "/tessaly"), args);
    if (!later.waitForFinished(60000) || later.exitStatus() != QProcess::NormalExit) return -1;
    return later.exitCode();
  }
  // Ends the first window as SIGTERM does (it closes and keeps its
  // settings) after it has answered one more request, so that what it was
  // handed before has been taken; the location it kept.
  QString CloseFirst() {
    QLocalSocket asking;
    asking.connectToServer(SocketName());
    if (asking.waitForConnected(30000)) {
      asking.write("activate\n");
      ProcessUntil([&] { return asking.canReadLine() || asking.state() != QLocalSocket::ConnectedState; });
    }
    first_.terminate();
    if (!first_.waitForFinished(30000)) {
      first_.kill();
      first_.waitForFinished(30000);
    }
    QSettings settings(QString::fromStdString(runtime_.path()) + "/Tessaly/Tessaly.ini", QSettings::IniFormat);
    return settings.value("form/location").toString();
  }

 private:
  QString SocketName() const { return QString::fromStdString(runtime_.path()) + "/tessaly-instance"; }
  TempFolder runtime_;
  QProcessEnvironment env_;
  QProcess first_;
};

TEST(PrevInst, FoldersOfAStartBecomeTheLocationOfTheWindowThatRuns) {
  App();
  TempFolder tree;
  const QString root = QString::fromStdString(tree.path());
  for (const char* name : {"A/x.txt", "B/y.txt", "C/z.txt"}) tree.Write(name, "x");

  WindowProcesses windows;
  // Relative folders, made absolute from the start's own folder.
  windows.StartFirst(root, {"A", "B"});
  EXPECT_EQ(windows.CloseFirst(), root + "/A;" + root + "/B");

  windows.StartFirst(root, {});
  EXPECT_EQ(windows.RunLater(root + "/A", {"../C"}), 0);
  EXPECT_EQ(windows.CloseFirst(), root + "/C");

  // A wrong option ends the start with the usage and status 2, before any
  // window or hand-over.
  EXPECT_EQ(windows.RunLater(root, {"--search-now", "-x"}), 2);
}

}  // namespace
}  // namespace tessaly::ui::test
