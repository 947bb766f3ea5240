#pragma once
// The desktop services an alarm uses: the desktop's notification service
// and sound. The desktop program uses the Linux implementations (the
// freedesktop notification service on the session bus, libcanberra); tests
// use the scripted ones below. Either may be missing (no session bus, no
// sound device): then available() is false and the alarm's question in the
// program's own window carries it alone.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zk {

// Actions a notification offers.
inline constexpr const char* kOpenItemAction = "open";
inline constexpr const char* kRepeatLaterAction = "repeat";

class NotificationService {
public:
    using ActionHandler = std::function<void(std::uint32_t id, const std::string& action)>;
    virtual ~NotificationService() = default;
    virtual bool available() = 0;
    // Shows a notification with the open and repeat actions; 0 when none
    // could be shown.
    virtual std::uint32_t notify(const std::string& title, const std::string& text) = 0;
    virtual void close(std::uint32_t id) = 0;
    void setActionHandler(ActionHandler handler) { onAction_ = std::move(handler); }

protected:
    void actionInvoked(std::uint32_t id, const std::string& action)
    {
        if (onAction_)
            onAction_(id, action);
    }

private:
    ActionHandler onAction_;
};

class SoundService {
public:
    virtual ~SoundService() = default;
    virtual bool available() = 0;
    // Starts playing the file; false when it could not be played.
    virtual bool play(const std::filesystem::path& file) = 0;
    virtual void beep() = 0;
};

// Records what it was asked; "available" as told.
class ScriptedNotifications final : public NotificationService {
public:
    struct Sent {
        std::string title;
        std::string text;
        bool closed = false;
    };
    bool isAvailable = true;
    std::vector<Sent> sent;

    bool available() override { return isAvailable; }
    std::uint32_t notify(const std::string& title, const std::string& text) override
    {
        if (!isAvailable)
            return 0;
        sent.push_back({title, text});
        return static_cast<std::uint32_t>(sent.size());
    }
    void close(std::uint32_t id) override
    {
        if (id >= 1 && id <= sent.size())
            sent[id - 1].closed = true;
    }
    void invoke(std::uint32_t id, const std::string& action) { actionInvoked(id, action); }
};

class ScriptedSound final : public SoundService {
public:
    bool isAvailable = true;
    std::vector<std::filesystem::path> played;
    int beeps = 0;

    bool available() override { return isAvailable; }
    bool play(const std::filesystem::path& file) override
    {
        if (!isAvailable)
            return false;
        played.push_back(file);
        return true;
    }
    void beep() override { ++beeps; }
};

} // namespace zk
