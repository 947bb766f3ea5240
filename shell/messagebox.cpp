#include "shell/messagebox.h"

#include "platform/fault.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zk {

namespace {

bool onUserInterfaceThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// Runs the call on the user-interface thread and waits for it.
template <class Call>
void onUserInterface(Call call)
{
    if (!QCoreApplication::instance() || onUserInterfaceThread())
        call();
    else
        QMetaObject::invokeMethod(QCoreApplication::instance(), call, Qt::BlockingQueuedConnection);
}

QMessageBox::Icon iconOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Error:
        return QMessageBox::Warning;
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Question:
        break;
    }
    return QMessageBox::Question;
}

void writeLine(const char* kind, const std::string& caption, const std::string& text)
{
    std::fprintf(stderr, "%s%s: %s\n", caption.c_str(), kind, text.c_str());
    std::fflush(stderr);
}

} // namespace

MessageBoxPresenter::MessageBoxPresenter(Mode mode) : mode_(mode) {}

MessageBoxPresenter::Mode MessageBoxPresenter::modeFromEnvironment()
{
    const char* unattended = std::getenv("ZELKON_UNATTENDED");
    return unattended && std::strcmp(unattended, "1") == 0 ? Mode::Unattended : Mode::Interactive;
}

void MessageBoxPresenter::setParent(QWidget* parent) { parent_ = parent; }

int MessageBoxPresenter::runBox(QMessageBox::Icon icon, const std::string& caption, const std::string& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text), buttons, parent_);
    box.setDefaultButton(defaultButton);
    box.setWindowModality(Qt::ApplicationModal);
    // A stop that came while the box was being built closes it at once.
    if (stopped_)
        return buttons & QMessageBox::Cancel ? QMessageBox::Cancel : QMessageBox::No;
    return box.exec();
}

void MessageBoxPresenter::stop()
{
    stopped_ = true;
    // Inner boxes first is not needed: each ends its own event loop, and the
    // loops unwind as control returns to them.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
            const bool cancel = box->button(QMessageBox::Cancel) != nullptr;
            const bool no = box->button(QMessageBox::No) != nullptr;
            box->done(cancel ? QMessageBox::Cancel : no ? QMessageBox::No : QMessageBox::Ok);
        } else if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
            dialog->reject();
        }
    }
}

void MessageBoxPresenter::show(MessageKind kind, const std::string& caption, const std::string& text)
{
    if (answersByItself()) {
        writeLine(kind == MessageKind::Error ? "error" : "information", caption, text);
        return;
    }
    onUserInterface([&] { runBox(iconOf(kind), caption, text, QMessageBox::Ok, QMessageBox::Ok); });
}

Answer MessageBoxPresenter::ask(const std::string& caption, const std::string& text, QuestionButtons buttons)
{
    if (answersByItself()) {
        const bool cancel = stopped_ && buttons == QuestionButtons::YesNoCancel;
        writeLine(cancel ? "question (answered Cancel)" : "question (answered No)", caption, text);
        return cancel ? Answer::Cancel : Answer::No;
    }
    QMessageBox::StandardButtons offered = QMessageBox::Yes | QMessageBox::No;
    if (buttons == QuestionButtons::YesNoCancel)
        offered |= QMessageBox::Cancel;
    int pressed = QMessageBox::No;
    const QMessageBox::StandardButton byDefault =
        buttons == QuestionButtons::YesNoDefaultNo ? QMessageBox::No : QMessageBox::Yes;
    onUserInterface([&] { pressed = runBox(QMessageBox::Question, caption, text, offered, byDefault); });
    if (pressed == QMessageBox::Yes)
        return Answer::Yes;
    // Closing the box is Cancel where Cancel is offered, else No.
    return pressed == QMessageBox::Cancel ? Answer::Cancel : Answer::No;
}

void MessageBoxPresenter::beep()
{
    if (!answersByItself())
        onUserInterface([] { QApplication::beep(); });
}

void MessageBoxPresenter::showFault(const std::string& text)
{
    const std::string caption = "Zelkon";
    if (mode_ == Mode::Unattended || !QCoreApplication::instance()) {
        writeLine("error", caption + " ", text);
        return;
    }
    onUserInterface([&] {
        QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(text),
                        QMessageBox::Ok, parent_);
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.exec();
    });
}

void installFaultBox(MessageBoxPresenter& presenter)
{
    setFaultReporter([&presenter](const std::string& text) { presenter.showFault(text); });
}

} // namespace zk
