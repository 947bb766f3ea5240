#pragma once
// The message service: error, information and question boxes.
//
// Every box carries the session caption ("Zelkon - <user> " or "Zelkon ",
// then the clock text unless the session is initialising; at most 109
// characters), except a question given a caption of its own ("DELETE
// ITEM"), which names what is at stake. Error boxes beep. Every error text is also appended to
// "error.log" in the schedule folder as "<clock> <date> <first 150 chars>".
//
// How a box appears is the presenter's business: the desktop program shows
// real boxes, tests and zk use a ScriptedPresenter that records what was
// shown and answers questions from a queue or with a default.

#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

enum class MessageKind { Error, Information, Question };
enum class Answer { Yes, No, Cancel };
// YesNoDefaultNo: for a question whose Yes cannot be taken back lightly,
// Enter answers No.
enum class QuestionButtons { YesNo, YesNoCancel, YesNoDefaultNo };

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual void show(MessageKind kind, const std::string& caption, const std::string& text) = 0;
    virtual Answer ask(const std::string& caption, const std::string& text, QuestionButtons buttons) = 0;
    virtual void beep() {}
};

// Records every box; answers questions from a queue, then with the default.
class ScriptedPresenter final : public MessagePresenter {
public:
    struct Shown {
        MessageKind kind;
        std::string caption;
        std::string text;
        Answer answer = Answer::No;  // for questions: what was answered
    };

    explicit ScriptedPresenter(Answer defaultAnswer = Answer::No) : defaultAnswer_(defaultAnswer) {}

    void show(MessageKind kind, const std::string& caption, const std::string& text) override;
    Answer ask(const std::string& caption, const std::string& text, QuestionButtons buttons) override;
    void beep() override;

    void queueAnswer(Answer answer);
    void setDefaultAnswer(Answer answer);
    // Called with each box as it is shown (zk prints them).
    void setEcho(std::function<void(const Shown&)> echo);

    std::vector<Shown> shown() const;
    std::vector<std::string> texts() const;
    int beeps() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::deque<Answer> answers_;
    Answer defaultAnswer_;
    std::vector<Shown> shown_;
    std::function<void(const Shown&)> echo_;
    int beeps_ = 0;
};

class Messages {
public:
    explicit Messages(MessagePresenter& presenter);

    void error(std::string_view text);
    void information(std::string_view text);
    // An empty `caption`: the session caption.
    Answer question(std::string_view text, QuestionButtons buttons = QuestionButtons::YesNo,
                    std::string_view caption = {});

    // The caption every box carries.
    std::string caption() const;

    void setUserName(std::string name);
    void setInitialising(bool initialising);
    // Where "error.log" goes; no folder means no log.
    void setScheduleFolder(std::filesystem::path folder);
    // The clock and date texts of the caption and the error log, in the
    // user's regional forms.
    void setClockText(std::function<std::string()> clockText);
    void setDateText(std::function<std::string()> dateText);

    MessagePresenter& presenter() { return presenter_; }

private:
    void appendErrorLog(std::string_view text);

    MessagePresenter& presenter_;
    mutable std::mutex mutex_;
    std::string userName_;
    bool initialising_ = false;
    std::filesystem::path folder_;
    std::function<std::string()> clockText_;
    std::function<std::string()> dateText_;
};

} // namespace zk
