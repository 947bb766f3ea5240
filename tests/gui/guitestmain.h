#pragma once
// The one QApplication of the window tests, made by the first fixture that
// asks for it, on the offscreen platform unless QT_QPA_PLATFORM says
// otherwise; the hand of a user on controls and dialogs; and the pictures
// the tests keep for people to review. Temporary folders are TempFolder.

#include "buildpaths.h"
#include "tests/lockfilesupport.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>

namespace zk::testsupport {

inline QApplication& guiApplication()
{
    static int argc = 1;
    static char name[] = "zelkon_gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QApplication(argc, argv);
    }();
    return *application;
}

// Runs `act` on the next modal dialog of type T once it is open.
template <typename T>
void onModal(std::function<void(T&)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*dialog);
        }
    });
    timer->start(10);
}

// A click where a user aims: on the box of a check box or radio button.
inline void click(QWidget* widget)
{
    ASSERT_NE(widget, nullptr);
    ASSERT_TRUE(widget->isEnabled()) << widget->objectName().toStdString();
    const bool box = !qobject_cast<QPushButton*>(widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, box ? QPoint(6, widget->height() / 2) : widget->rect().center());
}

// Into the field, over what it shows, and out with Tab.
inline void typeInto(QLineEdit* edit, const char* text)
{
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);  // an empty text still clears the field
    QTest::keyClicks(edit, QString::fromUtf8(text));
    QTest::keyClick(edit, Qt::Key_Tab);
}

// The push button of the dialog whose caption, without its mnemonic, is this.
inline void clickButton(QWidget& dialog, const QString& caption)
{
    for (auto* b : dialog.findChildren<QPushButton*>())
        if (b->text().remove('&') == caption)
            return QTest::mouseClick(b, Qt::LeftButton);
    ADD_FAILURE() << "no button " << caption.toStdString();
}

inline void pressOk(QDialog& dialog)
{
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

// A base to list before members that are widgets: the application is made first.
struct WithGuiApplication {
    WithGuiApplication() { guiApplication(); }
};

// Saves the picture as `file` (a PNG unless named otherwise) in the
// screenshot folder.
inline void saveScreenshot(const QImage& image, const QString& file)
{
    static const bool told = [] {
        std::filesystem::create_directories(ZELKON_SCREENSHOT_DIR);
        std::cout << "Screenshots: " << ZELKON_SCREENSHOT_DIR << std::endl;
        return true;
    }();
    (void)told;
    const QString name = file.contains('.') ? file : file + ".png";
    EXPECT_TRUE(image.save(QStringLiteral(ZELKON_SCREENSHOT_DIR "/") + name)) << name.toStdString();
}
inline void saveScreenshot(QWidget& widget, const QString& file)
{
    QTest::qWait(20);  // let what was just shown paint
    saveScreenshot(widget.grab().toImage(), file);
}

} // namespace zk::testsupport
