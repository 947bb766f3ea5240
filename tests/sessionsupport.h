#pragma once
// Helpers for the add-item, pipeline and session tests: a schedule folder
// with an empty schedule in it, and sessions on it with their own clock and
// messages.

#include "core/schedule.h"
#include "lockfilesupport.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "storage/datafile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace zk::testsupport {

inline constexpr DayNumber kSessionToday{16000};  // Saturday 21 October 2023

inline std::string readText(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Makes the file's folder first, as a schedule folder's own files need.
inline void writeText(const std::filesystem::path& file, const std::string& text)
{
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

inline std::vector<std::string> linesOf(const std::filesystem::path& file)
{
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// An empty schedule's data file, as zk new writes it.
inline void writeEmptySchedule(const std::filesystem::path& folder)
{
    Schedule empty;
    ASSERT_TRUE(saveDataFile(empty, folder / "timedata.pak"));
}

// One session on the folder, answering every question with `answer`.
class TestSession {
public:
    TestSession(const std::filesystem::path& folder, const Clock& clock, Answer answer = Answer::Yes)
        : presenter(answer)
    {
        SessionSettings settings;
        settings.folder = folder;
        settings.userName = "tester";
        settings.pause = [](std::chrono::milliseconds) { return false; };  // a wait tries once
        session = std::make_unique<Session>(std::move(settings), clock, messages);
    }

    Schedule& schedule() { return session->schedule(); }
    std::vector<std::string> texts() const { return presenter.texts(); }
    bool shown(const std::string& text) const
    {
        for (const std::string& t : presenter.texts())
            if (t == text)
                return true;
        return false;
    }

    ScriptedPresenter presenter;
    Messages messages{presenter};
    std::unique_ptr<Session> session;
};

// An item for the session's today, from the schedule's template.
inline NewItem itemOn(DayNumber day, const std::string& text, int beginTime = 0, int duration = 30)
{
    NewItem item;
    item.day = day;
    item.record.setDay(static_cast<std::uint16_t>(day.value()));
    item.record.setBeginTime(static_cast<std::int16_t>(beginTime));
    item.record.setFlag(ItemFlag::fAnchored, beginTime != 0);
    item.record.setDuration(static_cast<std::uint16_t>(duration));
    item.record.setKind(ItemKind::task);
    item.text = text;
    return item;
}

// An appointment, anchored at its begin time.
inline NewItem appointmentOn(DayNumber day, const std::string& text, int beginTime, int duration = 30)
{
    NewItem item = itemOn(day, text, beginTime, duration);
    item.record.setKind(ItemKind::appointment);
    return item;
}

// The chained items' texts, in chain order.
inline std::vector<std::string> chainTexts(const Schedule& s)
{
    std::vector<std::string> out;
    for (ItemHandle h : s.chain)
        out.emplace_back(s.storedDescription(h));
    return out;
}

// The item, chained or not, of that text; none when no item has it.
inline ItemHandle itemNamed(const Schedule& s, const std::string& text)
{
    ItemHandle found;
    s.items.forEach([&](ItemHandle h) {
        if (!found && s.storedDescription(h) == text)
            found = h;
    });
    return found;
}

class SessionFixture : public ::testing::Test {
protected:
    void SetUp() override { writeEmptySchedule(folder.path()); }

    std::filesystem::path file(const char* name) const { return folder.path() / name; }
    std::unique_ptr<TestSession> openSession(Answer answer = Answer::Yes)
    {
        auto s = std::make_unique<TestSession>(folder.path(), clock, answer);
        EXPECT_TRUE(s->session->open());
        return s;
    }
    // The clock at that time of the session's today.
    void setTime(int hour, int minute) { clock.set(LocalMoment{2023, 10, 21, hour, minute, 0}); }
    // Another session adds the item and saves it.
    void addElsewhere(NewItem item)
    {
        auto writer = openSession();
        ASSERT_EQ(writer->session->addItem(std::move(item)).status, AddStatus::Added);
        ASSERT_TRUE(writer->session->save().ok());
    }

    TempFolder folder;
    FixedClock clock{LocalMoment{2023, 10, 21, 10, 0, 5}};
    ThrowingFaultHandler faults;
    FaultHandler* previousHandler = installFaultHandler(&faults);
    ~SessionFixture() override { installFaultHandler(previousHandler); }
};

// One session open on the folder, as most tests of a session want it.
class OpenSessionFixture : public SessionFixture {
protected:
    void SetUp() override
    {
        SessionFixture::SetUp();
        s = openSession();
    }
    Schedule& schedule() { return s->schedule(); }
    ItemHandle add(NewItem item)
    {
        AddResult added = s->session->addItem(std::move(item));
        EXPECT_EQ(added.status, AddStatus::Added);
        return added.item;
    }

    std::unique_ptr<TestSession> s;
};

} // namespace zk::testsupport
