// Program start of the window: the application, the single-instance rule and
// the main window.
#include "ui/RunWindow.h"

#include <QIcon>

#include "archives/ArchiveDispatch.h"
#include "ui/Application.h"
#include "ui/DetailsTooltip.h"
#include "ui/Form1.h"
#include "ui/PrevInst.h"
#include "ui/TerminationSignals.h"

// The icon's resource lives in a static library: it is registered by hand.
static void InitResources() { Q_INIT_RESOURCE(tessaly); }

namespace tessaly::ui {

int RunWindow(int argc, char** argv) {
  TApplication app(argc, argv);
  InitResources();
  app.setWindowIcon(QIcon::fromTheme(QStringLiteral("tessaly"), QIcon(QStringLiteral(":/tessaly/tessaly.svg"))));

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
  // the front and this start ends.
  if (prevInst.HandOverToRunning()) return 0;

  TFormOptions options;
  options.dispatchArchive = &archives::DispatchArchive;
  options.settingsFile = DefaultSettingsFile();
  TForm1 form(std::move(options));
  InstallDetailsTooltip(form);
  prevInst.SetActivateHandler([&form] { form.BringToFront(); });
  window = &form;
  form.show();
  const int status = app.exec();
  form.JoinSearchThreads();
  return status;
}

}  // namespace tessaly::ui
