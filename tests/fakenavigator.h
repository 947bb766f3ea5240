#pragma once
// A schedules area that only remembers its panes' days and what it was
// asked to do, for the tests of the view and day commands.

#include "shell/model/navigation.h"

#include <array>
#include <string>
#include <vector>

namespace zk::testsupport {

class FakeNavigator final : public ViewNavigator {
public:
    DayNumber today() const override { return todayDay; }
    DayNumber viewedDay() const override { return days[current]; }
    void setViewedDay(DayNumber day) override
    {
        for (int i = 0; i < panes; ++i)
            days[i] = day + (i - current);
        calls.push_back("day " + std::to_string(day.value()));
    }
    void moveWeekPanes(int by) override
    {
        for (int i = 0; i < panes; ++i)
            days[i] += by;
        calls.push_back("week by " + std::to_string(by));
    }
    void rebuildWeekOn(DayNumber day) override
    {
        setViewedDay(day);
        calls.back() = "week on " + std::to_string(day.value());
    }
    int paneCount() const override { return panes; }
    int currentPane() const override { return current; }
    void setCurrentPane(int pane) override { current = pane; }
    void selectFirstEntry() override { calls.push_back("first entry"); }
    void setView(int view) override { calls.push_back("view " + std::to_string(view)); }
    void setMultiPaneCount(int count) override { calls.push_back("panes " + std::to_string(count)); }

    void show(int day, int paneTotal = 1, int currentPane = 0)
    {
        panes = paneTotal;
        current = currentPane;
        for (int i = 0; i < panes; ++i)
            days[i] = DayNumber(day + i);
        calls.clear();
    }

    DayNumber todayDay{16000};
    std::array<DayNumber, 7> days{};
    int panes = 1;
    int current = 0;
    std::vector<std::string> calls;
};

} // namespace zk::testsupport
