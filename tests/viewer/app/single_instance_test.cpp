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
  std::vector<ViewerRequest> received;
  QObject::connect(&running, &SingleInstance::requested,
                   [&received](const ViewerRequest& r) { received.push_back(r); });
  // The second launch runs beside this event loop.
  ViewerRequest request;
  request.files = {"some/file.pdf"};
  request.forward = SourcePlace{12, 0, "/src/ch1.tex"};
  auto second = std::async(std::launch::async,
                           [name, request] { return SingleInstance(name).handOver(request); });
  while (second.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
    QApplication::processEvents();
  EXPECT_TRUE(second.get());
  QApplication::processEvents();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].files, QStringList{QFileInfo("some/file.pdf").absoluteFilePath()});
  ASSERT_TRUE(received[0].forward);
  EXPECT_EQ(received[0].forward->line, 12);
}

TEST(SingleInstance, TwentyLaunchesInABurstAllHandTheirFilesOver) {
  constexpr int kLaunches = 20;
  const QString name =
      QStringLiteral("brevia-test-burst-%1").arg(QCoreApplication::applicationPid());
  SingleInstance running(name);
  ASSERT_TRUE(running.listen());
  QSet<QString> opened;
  int requests = 0;
  QObject::connect(&running, &SingleInstance::requested, [&](const ViewerRequest& r) {
    ++requests;
    for (const QString& f : r.files) opened.insert(f);
  });
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
  EXPECT_EQ(requests, kLaunches);
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
