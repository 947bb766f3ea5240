#pragma once
// Reads the next modal message box as a user would: what it shows, and
// then one of its buttons pressed (OK unless told otherwise).

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <string>

namespace zk::testsupport {

class BoxReader {
public:
    explicit BoxReader(QMessageBox::StandardButton press = QMessageBox::Ok)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this, press] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                icon = box->icon();
                caption = box->windowTitle().toStdString();
                text = box->text().toStdString();
                buttons = box->standardButtons();
                defaultButton = box->standardButton(box->defaultButton());
                box->button(press)->click();
            }
        });
        timer_.start(10);
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::string caption, text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;

private:
    QTimer timer_;
};

} // namespace zk::testsupport
