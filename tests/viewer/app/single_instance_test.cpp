#include "viewer/app/single_instance.h"

#include <QSignalSpy>
#include <future>

#include "tests/viewer/viewer_test_support.h"

namespace viewer_test {
namespace {

TEST(SingleInstance, ASecondLaunchHandsItsFileOver) {
  const QString name = QStringLiteral("brevia-test-%1").arg(QCoreApplication::applicationPid());
  SingleInstance running(name);
  ASSERT_TRUE(running.listen());
  QSignalSpy spy(&running, &SingleInstance::fileRequested);
  // The second launch runs beside this event loop.
  auto second = std::async(std::launch::async,
                           [name] { return SingleInstance(name).handOver("some/file.pdf"); });
  while (second.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
    QApplication::processEvents();
  EXPECT_TRUE(second.get());
  QApplication::processEvents();
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toString(), QFileInfo("some/file.pdf").absoluteFilePath());
}

TEST(SingleInstance, NobodyRunningMeansNoHandOver) {
  SingleInstance lone(
      QStringLiteral("brevia-test-nobody-%1").arg(QCoreApplication::applicationPid()));
  EXPECT_FALSE(lone.handOver("file.pdf"));
}

}  // namespace
}  // namespace viewer_test
