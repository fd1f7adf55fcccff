// The application's error boundary and the sliding side panel.
#include <gtest/gtest.h>

#include <QCursor>
#include <QEnterEvent>
#include <QTimer>
#include <stdexcept>

#include "ui/SlidePanel.h"
#include "UiTestSupport.h"

namespace tessaly::ui::test {
namespace {

// A handler that fails half-way, as a report file that cannot be written does.
class Failing : public QObject {
 public:
  int stepsDone = 0;
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    ++stepsDone;
    throw std::runtime_error("failing step");
  }
};

TEST(Application, ErrorsReachingTheEventLoopAreSwallowed) {
  TApplication& app = App();
  const int before = app.SwallowedErrors();
  Failing failing;
  QEvent direct(QEvent::User);
  EXPECT_FALSE(app.notify(&failing, &direct));  // no exception leaves the loop
  // Posted events and timer handlers: the loop goes on after the failure.
  QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
  bool later = false;
  QTimer::singleShot(0, [] { throw std::runtime_error("timer handler"); });
  QTimer::singleShot(0, [&] { later = true; });
  ASSERT_TRUE(ProcessUntil([&] { return later; }));
  EXPECT_EQ(failing.stepsDone, 2);
  EXPECT_EQ(app.SwallowedErrors(), before + 3);
}

TEST(SlidePanel, OpensUnderTheMouseAndClosesWhenItLeaves) {
  App();
  QWidget window;
  window.resize(400, 300);
  auto* content = new QWidget;
  TSlidePanel panel(QStringLiteral("Advanced Options"), 18, 167, content, &window);
  panel.setGeometry(300, 0, 18, 300);
  EXPECT_FALSE(panel.IsOpen());
  EXPECT_EQ(panel.width(), 18);
  EXPECT_TRUE(content->isHidden());

  QEnterEvent enter(QPointF(5, 5), QPointF(305, 5), QPointF(305, 5));
  QCoreApplication::sendEvent(&panel, &enter);
  EXPECT_TRUE(panel.IsOpen());
  EXPECT_EQ(panel.width(), 167);
  EXPECT_FALSE(content->isHidden());

  QCursor::setPos(window.mapToGlobal(QPoint(10, 10)));  // outside the panel
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&panel, &leave);
  EXPECT_FALSE(panel.IsOpen());
  EXPECT_EQ(panel.width(), 18);
  EXPECT_TRUE(content->isHidden());
}

}  // namespace
}  // namespace tessaly::ui::test
