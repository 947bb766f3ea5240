#pragma once
// The modeless "Find" window: "&Item text:" (3) and "N&ote text:" (234), at
// most 30 characters each, shown again with what was typed last time;
// Enter searches from the start and closes the window when something was
// found; "&Prior" (52) and "&Next" (53) search backward and forward from
// the selection and leave it open; "E&xit" (239), "&Cancel" and closing
// destroy it. Its title shows the date being searched.
//
// The window holds no schedule: every search goes to its owner.

#ifndef Q_MOC_RUN
#include "shell/model/find.h"
#endif

#include <QDialog>

#include <functional>

class QLineEdit;

namespace zk {

class FindWindow : public QDialog {
    Q_OBJECT
public:
    // Runs a search; true when something was found.
    using Search = std::function<bool(FindMode)>;

    FindWindow(FindTexts& kept, Search search, QWidget* parent = nullptr);

    // The date being searched, as the title.
    void showSearching(const QString& date);
    QLineEdit& itemText() { return *itemText_; }
    QLineEdit& noteText() { return *noteText_; }

private:
    void run(FindMode mode);

    FindTexts& kept_;
    Search search_;
    QLineEdit* itemText_;
    QLineEdit* noteText_;
};

} // namespace zk
