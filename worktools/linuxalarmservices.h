#pragma once
// The Linux desktop services of an alarm: notifications through the
// freedesktop notification service (org.freedesktop.Notifications on the
// session bus, through Qt's D-Bus module) and sound through libcanberra,
// which plays the sound theme's .oga files as well as .wav files.

#ifndef Q_MOC_RUN
#include "platform/alarmservices.h"
#endif

#include <QObject>
#include <QString>

struct ca_context;

namespace zk {

class DesktopNotifications final : public QObject, public NotificationService {
    Q_OBJECT
public:
    explicit DesktopNotifications(QObject* parent = nullptr);
    bool available() override;
    std::uint32_t notify(const std::string& title, const std::string& text) override;
    void close(std::uint32_t id) override;

private slots:
    void onActionInvoked(uint id, const QString& action);

private:
    bool connected_ = false;
};

class CanberraSound final : public SoundService {
public:
    CanberraSound();
    ~CanberraSound() override;
    CanberraSound(const CanberraSound&) = delete;
    CanberraSound& operator=(const CanberraSound&) = delete;

    bool available() override;
    bool play(const std::filesystem::path& file) override;
    void beep() override;

private:
    bool open();

    ca_context* context_ = nullptr;
    bool tried_ = false;
    bool opened_ = false;
};

} // namespace zk
