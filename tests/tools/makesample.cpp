// zelkon_make_sample: writes the sample schedule SAMPLE.DTA that a new
// schedule starts from. Every item goes in through the add-item routine of
// a session, so floating tasks land in the priority list and the
// scheduler places them as it does for a user. The days are those of a
// week from Monday 4 March 2024; loading a sample moves them to today.
//
//   zelkon_make_sample resources/SAMPLE.DTA

#include "core/schedule.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "sharing/session.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

using namespace zk;
namespace fs = std::filesystem;

constexpr DayNumber kMonday{16135};
// After the stand-up: the floating tasks are placed from here on, so they
// come after the morning's appointments in the day's order.
const LocalMoment kMade{2024, 3, 4, 9, 15, 0};

TimeValue at(int hour, int minute = 0) { return TimeValue::fromClock(hour, minute); }

NewItem onDay(int day, std::string text, std::uint16_t kind, int minutes = 0, std::uint32_t flags = 0)
{
    NewItem item;
    item.day = kMonday + day;
    item.text = std::move(text);
    item.record.setKind(kind);
    item.record.setDuration(static_cast<std::uint16_t>(minutes));
    item.record.setFlags(flags);
    return item;
}

NewItem appointment(int day, TimeValue begin, int minutes, std::string text)
{
    NewItem item = onDay(day, std::move(text), ItemKind::appointment, minutes, ItemFlag::fAnchored);
    item.record.setBeginTime(static_cast<std::int16_t>(begin.value()));
    return item;
}

NewItem task(int day, char letter, int minutes, std::string text, std::uint32_t flags = 0)
{
    NewItem item = onDay(day, std::move(text), ItemKind::task, minutes, ItemFlag::fFloating | flags);
    item.record.setPriorityLetter(static_cast<std::uint8_t>(letter));
    // A floating task is placed from its postpone date on.
    if (day > 0)
        item.record.setPostponeDate(static_cast<std::uint16_t>(item.day.value()));
    return item;
}

// Items that take no time of the day show as notes at its head.
NewItem note(int day, std::uint16_t kind, std::string text)
{
    return onDay(day, std::move(text), kind, 0, ItemFlag::fOnHold);
}

NewItem cash(int day, std::string text, float income, float expense)
{
    NewItem item = note(day, ItemKind::cashFlow, std::move(text));
    item.record.setValue(income);
    item.record.setExpense(expense);
    return item;
}

std::vector<NewItem> sampleItems()
{
    std::vector<NewItem> items;
    auto add = [&items](NewItem item) { items.push_back(std::move(item)); };

    // Monday: a full working day.
    NewItem run = onDay(0, "Morning run along the river", ItemKind::task, 30, ItemFlag::fDone);
    run.record.setBeginTime(static_cast<std::int16_t>(at(7).value()));
    add(std::move(run));
    add(appointment(0, at(9), 15, "Team stand-up"));
    add(appointment(0, at(12, 30), 60, "Lunch with Ann at the Riverside Cafe"));
    add(appointment(0, at(15), 45, "Dentist, Dr. Moreau"));
    add(appointment(0, at(19, 30), 90, "Choir rehearsal"));
    NewItem birthday = note(0, ItemKind::birthday, "Maria's birthday");
    birthday.record.setBaseYear(1990);
    add(std::move(birthday));
    add(note(0, ItemKind::memo, "Parking garage closed all week: use the side street"));
    add(cash(0, "Electricity bill", 0.0f, 84.50f));

    // The priority list: class A first, then B, then C.
    add(task(0, 'A', 90, "Finish the quarterly report"));
    add(task(0, 'A', 20, "Call the bank about the mortgage offer"));
    // No deadlines: loading a sample moves its days, not the dates an item
    // holds, so a deadline would be long past in any later week.
    add(task(0, 'A', 30, "Renew passport"));
    add(task(0, 'B', 30, "Book the hotel for the trade fair"));
    add(task(1, 'B', 45, "Review Tom's project plan"));
    add(task(1, 'B', 240, "Write the conference talk", ItemFlag::fSplit));
    add(task(0, 'C', 10, "Order printer toner"));
    add(task(2, 'C', 60, "Sort the photo archive"));
    add(task(3, 'C', 45, "Read the new tax guide"));

    // The rest of the week.
    add(appointment(1, at(10), 90, "Design review with the client"));
    add(appointment(1, at(14, 30), 30, "Call with the Lisbon office"));
    add(appointment(1, at(19), 60, "Parent-teacher evening"));
    add(note(2, ItemKind::multiDayEvent, "Trade fair in Leipzig, Wednesday to Friday"));
    add(appointment(2, at(8, 15), 45, "Train to Leipzig"));
    add(cash(3, "Invoice 2024-031 paid", 1200.0f, 0.0f));
    add(appointment(3, at(14), 60, "Quarterly all-hands"));
    add(appointment(4, at(17), 45, "Train home"));
    add(note(5, ItemKind::holiday, "Spring holiday"));
    add(appointment(6, at(11), 120, "Brunch with the neighbours"));

    // A project, kept in the project list rather than on a day.
    NewItem project;
    project.text = "Kitchen renovation";
    project.record.setKind(ItemKind::project);
    add(std::move(project));
    return items;
}

bool makeSample(const fs::path& target, const fs::path& work)
{
    FixedClock clock(kMade);
    ScriptedPresenter presenter(Answer::Yes);  // "create a new schedule?"
    presenter.setEcho([](const ScriptedPresenter::Shown& shown) { std::fprintf(stderr, "%s\n", shown.text.c_str()); });
    Messages messages(presenter);
    SessionSettings settings;
    settings.folder = work;
    settings.userName = "sample";
    Session session(std::move(settings), clock, messages);
    if (!session.open() || !session.obtainChangeAccess(std::chrono::seconds(0)))
        return false;
    Schedule& schedule = session.schedule();
    schedule.header.setInterfaceMode(3);  // durations show in every line
    schedule.header.setDayStart(at(7));
    schedule.header.setDayEnd(at(22));
    schedule.header.setMinSplitMinutes(30);
    for (NewItem& item : sampleItems()) {
        std::string text = item.text;
        if (session.addItem(std::move(item)).status != AddStatus::Added) {
            std::fprintf(stderr, "zelkon_make_sample: \"%s\" was not added\n", text.c_str());
            return false;
        }
    }
    if (!session.save().ok())
        return false;
    session.close();
    std::error_code ec;
    fs::copy_file(work / "timedata.pak", target, fs::copy_options::overwrite_existing, ec);
    return !ec;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zelkon_make_sample FILE\n");
        return 64;
    }
    char pattern[] = "/tmp/zelkon-sample-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("zelkon_make_sample");
        return 1;
    }
    fs::path work(pattern);
    bool made = makeSample(argv[1], work);
    fs::remove_all(work);
    if (!made) {
        std::fprintf(stderr, "zelkon_make_sample: %s was not written\n", argv[1]);
        return 1;
    }
    return 0;
}
