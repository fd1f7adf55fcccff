// Program start of the window: the application, the command line, the
// single-instance rule and the main window.
#include "ui/RunWindow.h"

#include <QDir>
#include <QIcon>
#include <QTimer>
#include <cstdio>

#include "archives/ArchiveDispatch.h"
#include "console/SearchOptions.h"
#include "ui/Application.h"
#include "ui/DetailsTooltip.h"
#include "ui/Form1.h"
#include "ui/PrevInst.h"
#include "ui/StartRequest.h"
#include "ui/TerminationSignals.h"

// The icon's resource lives in a static library: it is registered by hand.
static void InitResources() { Q_INIT_RESOURCE(tessaly); }

namespace tessaly::ui {

int RunWindow(int argc, char** argv) {
  TApplication app(argc, argv);
  InitResources();
  app.setWindowIcon(
      QIcon::fromTheme(QStringLiteral(TESSALY_APP_ID), QIcon(QStringLiteral(":/tessaly/tessaly.svg"))));

  // Qt has taken its own options (-platform, -style ...) from the arguments.
  QString error;
  const std::optional<TStartRequest> request =
      ParseStartArguments(app.arguments().mid(1), QDir::currentPath(), &error);
  if (!request) {
    std::fprintf(stderr, "tessaly: %s\n%s", qPrintable(error), console::kShortUsage);
    return 2;
  }

  // A termination signal closes the window as its close button does; one
  // that comes before the window is up ends the start once the event loop runs.
  TForm1* window = nullptr;
  const TTerminationSignals termination([&window] {
    if (window != nullptr) window->close();
    QCoreApplication::quit();
  });

  TPrevInst prevInst;
  prevInst.AllowedInst = 1;
  // The second instance makes no window of its own: the first one comes to
  // the front, takes what this start asks for, and this start ends.
  if (prevInst.HandOverToRunning(EncodeStartRequest(*request))) return 0;

  TFormOptions options;
  options.dispatchArchive = &archives::DispatchArchive;
  options.settingsFile = DefaultSettingsFile();
  TForm1 form(std::move(options));
  InstallDetailsTooltip(form);
  prevInst.SetRequestHandler([&form](const QByteArray& line) {
    form.BringToFront();
    // After the answer has gone out: the folder chooser is modal, and the
    // later start must not wait for it.
    if (const std::optional<TStartRequest> later = DecodeStartRequest(line))
      QTimer::singleShot(0, &form, [&form, taken = *later] { form.TakeStartRequest(taken); });
  });
  window = &form;
  form.show();
  QTimer::singleShot(0, &form, [&form, taken = *request] { form.TakeStartRequest(taken); });
  const int status = app.exec();
  form.JoinSearchThreads();
  return status;
}

}  // namespace tessaly::ui
