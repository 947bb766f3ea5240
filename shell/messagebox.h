#pragma once
// The message service's boxes on the desktop. Error boxes beep and show the
// warning icon, information boxes the information icon, questions offer
// Yes and No (and Cancel where asked); every box is modal for the whole
// program. Captions and error.log are Messages' business.
//
// A box may be asked for from any thread (the start-up worker, a save): it
// is shown on the user-interface thread while the asking thread waits for
// the answer. The user-interface thread keeps its event loop running while
// it waits for those threads, so this cannot lock up.
//
// Unattended (ZELKON_UNATTENDED=1, for scripted runs and tests of the
// program), boxes are written to stderr as one line each and every
// question is answered No, so nothing is ever changed on the program's own
// initiative.
//
// installFaultBox() makes an internal fault show its box through the same
// presenter before the process ends.

#include "platform/messages.h"

#include <QPointer>
#include <QWidget>

namespace zk {

class MessageBoxPresenter final : public MessagePresenter {
public:
    enum class Mode { Interactive, Unattended };
    explicit MessageBoxPresenter(Mode mode = modeFromEnvironment());
    static Mode modeFromEnvironment();

    // Boxes centre on this window; call on the user-interface thread.
    void setParent(QWidget* parent);

    void show(MessageKind kind, const std::string& caption, const std::string& text) override;
    Answer ask(const std::string& caption, const std::string& text, QuestionButtons buttons) override;
    void beep() override;
    // The internal-fault box: critical, above every other window.
    void showFault(const std::string& text);

    Mode mode() const { return mode_; }

private:
    Mode mode_;
    QPointer<QWidget> parent_;
};

void installFaultBox(MessageBoxPresenter& presenter);

} // namespace zk
