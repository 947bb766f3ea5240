#pragma once
// A stand-in for the desktop's notification service, registered on the
// session bus by the test itself: it records what it is sent and can
// report an action as the desktop does when the user clicks one.
// Only Qt here: moc reads this header.

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace zk::testsupport {

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Sent {
        QString app, summary, body;
        QStringList actions;
        int timeout = -1;
    };
    // False when there is no session bus or the name is taken.
    bool registerOnBus();
    void unregister();
    void invoke(uint id, const QString& action);

    QList<Sent> sent;
    QList<uint> closed;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout);
    void CloseNotification(uint id);

signals:
    void ActionInvoked(uint id, const QString& action);
};

} // namespace zk::testsupport
