#include "platform/messages.h"

#include "platform/errorlog.h"

#include <cstdio>

namespace zk {

void ScriptedPresenter::show(MessageKind kind, const std::string& caption, const std::string& text)
{
    std::function<void(const Shown&)> echo;
    Shown s{kind, caption, text};
    {
        std::lock_guard lock(mutex_);
        shown_.push_back(s);
        echo = echo_;
    }
    if (echo)
        echo(s);
}

Answer ScriptedPresenter::ask(const std::string& caption, const std::string& text, QuestionButtons buttons)
{
    std::function<void(const Shown&)> echo;
    Shown s{MessageKind::Question, caption, text};
    {
        std::lock_guard lock(mutex_);
        if (!answers_.empty()) {
            s.answer = answers_.front();
            answers_.pop_front();
        } else {
            s.answer = defaultAnswer_;
        }
        if (s.answer == Answer::Cancel && buttons != QuestionButtons::YesNoCancel)
            s.answer = Answer::No;
        shown_.push_back(s);
        echo = echo_;
    }
    if (echo)
        echo(s);
    return s.answer;
}

void ScriptedPresenter::beep()
{
    std::lock_guard lock(mutex_);
    ++beeps_;
}

void ScriptedPresenter::queueAnswer(Answer answer)
{
    std::lock_guard lock(mutex_);
    answers_.push_back(answer);
}

void ScriptedPresenter::setDefaultAnswer(Answer answer)
{
    std::lock_guard lock(mutex_);
    defaultAnswer_ = answer;
}

void ScriptedPresenter::setEcho(std::function<void(const Shown&)> echo)
{
    std::lock_guard lock(mutex_);
    echo_ = std::move(echo);
}

std::vector<ScriptedPresenter::Shown> ScriptedPresenter::shown() const
{
    std::lock_guard lock(mutex_);
    return shown_;
}

std::vector<std::string> ScriptedPresenter::texts() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> t;
    for (const auto& s : shown_)
        t.push_back(s.text);
    return t;
}

int ScriptedPresenter::beeps() const
{
    std::lock_guard lock(mutex_);
    return beeps_;
}

void ScriptedPresenter::clear()
{
    std::lock_guard lock(mutex_);
    shown_.clear();
    beeps_ = 0;
}

Messages::Messages(MessagePresenter& presenter) : presenter_(presenter) {}

void Messages::error(std::string_view text)
{
    std::string t(text);
    presenter_.beep();
    presenter_.show(MessageKind::Error, caption(), t);
    appendErrorLog(text);
}

void Messages::information(std::string_view text)
{
    presenter_.show(MessageKind::Information, caption(), std::string(text));
}

Answer Messages::question(std::string_view text, QuestionButtons buttons, std::string_view caption)
{
    return presenter_.ask(caption.empty() ? this->caption() : std::string(caption), std::string(text), buttons);
}

std::string Messages::caption() const
{
    std::lock_guard lock(mutex_);
    std::string c = userName_.empty() ? "Zelkon " : "Zelkon - " + userName_ + " ";
    if (!initialising_ && clockText_)
        c += clockText_();
    if (c.size() > 109)
        c.resize(109);
    return c;
}

void Messages::setUserName(std::string name)
{
    std::lock_guard lock(mutex_);
    userName_ = std::move(name);
}

void Messages::setInitialising(bool initialising)
{
    std::lock_guard lock(mutex_);
    initialising_ = initialising;
}

void Messages::setScheduleFolder(std::filesystem::path folder)
{
    std::lock_guard lock(mutex_);
    folder_ = std::move(folder);
}

void Messages::setClockText(std::function<std::string()> clockText)
{
    std::lock_guard lock(mutex_);
    clockText_ = std::move(clockText);
}

void Messages::setDateText(std::function<std::string()> dateText)
{
    std::lock_guard lock(mutex_);
    dateText_ = std::move(dateText);
}

void Messages::appendErrorLog(std::string_view text)
{
    std::filesystem::path folder;
    std::string clock, date;
    {
        std::lock_guard lock(mutex_);
        if (folder_.empty())
            return;
        folder = folder_;
        clock = clockText_ ? clockText_() : "";
        date = dateText_ ? dateText_() : "";
    }
    appendErrorLogLine(folder, clock, date, text);
}

void appendErrorLogLine(const std::filesystem::path& folder, std::string_view clock, std::string_view date,
                        std::string_view text)
{
    // Failing to log is not worth a second error box.
    if (std::FILE* f = std::fopen((folder / "error.log").c_str(), "a")) {
        std::string line = std::string(clock) + " " + std::string(date) + " " + std::string(text.substr(0, 150)) + "\n";
        std::fwrite(line.data(), 1, line.size(), f);
        std::fclose(f);
    }
}

} // namespace zk
