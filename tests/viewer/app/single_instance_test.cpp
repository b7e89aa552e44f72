#include "viewer/app/single_instance.h"

#include <QSignalSpy>
#include <QSet>
#include <future>
#include <vector>

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

TEST(SingleInstance, TwentyLaunchesInABurstAllHandTheirFilesOver) {
  constexpr int kLaunches = 20;
  const QString name =
      QStringLiteral("brevia-test-burst-%1").arg(QCoreApplication::applicationPid());
  SingleInstance running(name);
  ASSERT_TRUE(running.listen());
  QSignalSpy spy(&running, &SingleInstance::fileRequested);
  std::vector<std::future<bool>> launches;
  for (int i = 0; i < kLaunches; ++i)
    launches.push_back(std::async(std::launch::async, [name, i] {
      return SingleInstance(name).handOver(QStringLiteral("burst/file-%1.pdf").arg(i));
    }));
  for (auto& launch : launches) {
    while (launch.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
      QApplication::processEvents();
    EXPECT_TRUE(launch.get());
  }
  QApplication::processEvents();
  QSet<QString> opened;
  for (const QList<QVariant>& call : spy) opened.insert(call.at(0).toString());
  EXPECT_EQ(spy.count(), kLaunches);
  for (int i = 0; i < kLaunches; ++i)
    EXPECT_TRUE(
        opened.contains(QFileInfo(QStringLiteral("burst/file-%1.pdf").arg(i)).absoluteFilePath()))
        << i;
}

TEST(SingleInstance, NobodyRunningMeansNoHandOver) {
  SingleInstance lone(
      QStringLiteral("brevia-test-nobody-%1").arg(QCoreApplication::applicationPid()));
  EXPECT_FALSE(lone.handOver("file.pdf"));
}

}  // namespace
}  // namespace viewer_test
