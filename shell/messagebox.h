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
// initiative. A stopped presenter (stop()) does the same, answering Cancel
// where it is offered.
//
// installFaultBox() makes an internal fault show its box through the same
// presenter before the process ends.

#include "platform/messages.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <atomic>

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

    // The session is being stopped (a signal): every open box and dialog
    // is closed with its safe answer (No, or Cancel where offered; a dialog
    // is cancelled), and from now on boxes are written to stderr and every
    // question is answered so at once. On the user-interface thread.
    void stop();
    bool stopped() const { return stopped_; }

    Mode mode() const { return mode_; }

private:
    int runBox(QMessageBox::Icon icon, const std::string& caption, const std::string& text,
               QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton);
    bool answersByItself() const { return mode_ == Mode::Unattended || stopped_; }

    Mode mode_;
    QPointer<QWidget> parent_;
    std::atomic<bool> stopped_{false};
};

void installFaultBox(MessageBoxPresenter& presenter);

} // namespace zk
