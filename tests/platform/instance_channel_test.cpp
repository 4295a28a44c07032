// The running program's channel on the real session bus of the test desktop: each method of its
// interface, called from another process, delivers exactly its request; nothing else gets in.
#include "platform/qt/instance_channel.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <vector>

#include "platform/qt/instance_bus.h"
#include "platform/qt/instance_client.h"
#include "platform/qt/qt_status_bar.h"
#include "platform_test_support.h"

namespace pigmora::qt {
namespace {

using platform::InstanceRequest;
using test::RunCommand;

// gdbus in a process of its own, as another launch or a script would call.
test::CommandResult CallOnTheBus(const QString& objectPath, const QString& method,
                                 const QStringList& arguments = {}) {
  return RunCommand(
      QStringLiteral("gdbus"),
      QStringList{QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                  QString::fromLatin1(kInstanceBusName), QStringLiteral("--object-path"),
                  objectPath, QStringLiteral("--method"), method} +
          arguments);
}

QString OurMethod(const char* name) {
  return QString::fromLatin1(kInstanceInterface) + QLatin1Char('.') + QLatin1String(name);
}

TEST(DBusInstanceChannel, EachMethodDeliversItsRequestAndNothingElseGetsThrough) {
  DBusInstanceChannel channel;
  // Not listening yet: no name on the bus, and no Pigmora holds the lock.
  EXPECT_EQ(AskRunningInstance("ShowPicker").delivery, Delivery::NoInstance);

  std::vector<InstanceRequest> received;
  channel.Listen([&received](InstanceRequest request) { received.push_back(request); });
  const QString path = QString::fromLatin1(kInstanceObjectPath);

  const struct {
    const char* method;
    InstanceRequest request;
  } methods[] = {
      {"ShowPicker", InstanceRequest::ShowPicker},
      {"CycleForward", InstanceRequest::CycleForward},
      {"CycleBack", InstanceRequest::CycleBack},
      {"ShowPreferences", InstanceRequest::ShowPreferences},
  };
  for (const auto& [method, request] : methods) {
    SCOPED_TRACE(method);
    received.clear();
    const auto result = CallOnTheBus(path, OurMethod(method));
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(received, std::vector<InstanceRequest>{request});
  }

  // A plain second launch while a tray shows the item (these tests run with trayer): the item is
  // the way in, so nothing opens. On a desktop with no tray it opens the preferences window
  // (instance_actions_test.sh).
  received.clear();
  const auto relaunch = CallOnTheBus(path, OurMethod("Activate"));
  ASSERT_TRUE(relaunch.finished);
  EXPECT_EQ(relaunch.exitCode, 0);
  EXPECT_TRUE(TrayHostPresent());
  EXPECT_TRUE(received.empty());

  const struct {
    QString objectPath;
    QString method;
    QStringList arguments;
  } refused[] = {
      {path, OurMethod("Quit"), {}},
      {path, OurMethod("CycleForward"), {QStringLiteral("7")}},
      {path, OurMethod("ShowPicker"), {QStringLiteral("true"), QStringLiteral("'x'")}},
      {QStringLiteral("/org/pigmora/Other"), OurMethod("CycleForward"), {}},
      {path, QStringLiteral("org.example.Other.CycleForward"), {}},
      {QStringLiteral("/"), OurMethod("ShowPicker"), {}},
  };
  received.clear();
  for (const auto& call : refused) {
    SCOPED_TRACE(call.method.toStdString() + " on " + call.objectPath.toStdString());
    const auto result = CallOnTheBus(call.objectPath, call.method, call.arguments);
    ASSERT_TRUE(result.finished);
    EXPECT_NE(result.exitCode, 0);
  }
  EXPECT_TRUE(received.empty());
}

}  // namespace
}  // namespace pigmora::qt
