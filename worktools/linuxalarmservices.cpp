#include "worktools/linuxalarmservices.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

#include <canberra.h>

namespace zk {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The question in the program's window stays open until answered; the
// notification follows it rather than timing out on its own.
constexpr int kNeverExpires = 0;

} // namespace

DesktopNotifications::DesktopNotifications(QObject* parent) : QObject(parent) {}

bool DesktopNotifications::available()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kService))
        return false;
    if (!connected_)
        connected_ = bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                                 SLOT(onActionInvoked(uint, QString)));
    return true;
}

std::uint32_t DesktopNotifications::notify(const std::string& title, const std::string& text)
{
    if (!available())
        return 0;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QStringList actions{QString::fromUtf8(kOpenItemAction), QStringLiteral("Open item"),
                              QString::fromUtf8(kRepeatLaterAction), QStringLiteral("Repeat later")};
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(2));
    hints.insert(QStringLiteral("category"), QStringLiteral("x-zelkon.alarm"));
    call << QStringLiteral("Zelkon") << 0u << QStringLiteral("appointment-soon") << QString::fromStdString(title)
         << QString::fromStdString(text) << actions << hints << kNeverExpires;
    QDBusReply<uint> reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    return reply.isValid() ? reply.value() : 0;
}

void DesktopNotifications::close(std::uint32_t id)
{
    if (id == 0)
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
    call << static_cast<uint>(id);
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}

void DesktopNotifications::onActionInvoked(uint id, const QString& action) { actionInvoked(id, action.toStdString()); }

// --- sound ----------------------------------------------------------------------------------------

CanberraSound::CanberraSound() = default;

// Opened at the first sound, not at start: most sessions ring nothing, and
// opening looks for a sound server.
bool CanberraSound::open()
{
    if (tried_)
        return opened_;
    tried_ = true;
    if (ca_context_create(&context_) != CA_SUCCESS) {
        context_ = nullptr;
        return false;
    }
    ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Zelkon", CA_PROP_APPLICATION_ID, "zelkon", nullptr);
    opened_ = ca_context_open(context_) == CA_SUCCESS;
    return opened_;
}

CanberraSound::~CanberraSound()
{
    if (context_)
        ca_context_destroy(context_);
}

bool CanberraSound::available() { return open(); }

bool CanberraSound::play(const std::filesystem::path& file)
{
    if (!open())
        return false;
    return ca_context_play(context_, 0, CA_PROP_MEDIA_FILENAME, file.c_str(), CA_PROP_MEDIA_ROLE, "alarm",
                           nullptr) == CA_SUCCESS;
}

void CanberraSound::beep() { QApplication::beep(); }

} // namespace zk
