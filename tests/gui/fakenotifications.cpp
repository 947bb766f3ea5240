#include "fakenotifications.h"

#include <QDBusConnectionInterface>

namespace zk::testsupport {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

bool FakeNotifications::registerOnBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    return bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
           bus.registerService(kService);
}

void FakeNotifications::unregister()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(kService);
    bus.unregisterObject(kPath);
}

void FakeNotifications::invoke(uint id, const QString& action) { emit ActionInvoked(id, action); }

uint FakeNotifications::Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                               const QStringList& actions, const QVariantMap&, int timeout)
{
    sent.append({app, summary, body, actions, timeout});
    return static_cast<uint>(sent.size());
}

void FakeNotifications::CloseNotification(uint id) { closed.append(id); }

} // namespace zk::testsupport
