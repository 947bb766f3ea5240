#pragma once
// The Timer ("TimerBox") and the Countdown Timer ("CountDownTimer"):
// modeless tool windows over the stopwatch and countdown of
// worktools/model/timers.h. Neither has a clock of its own: the session's
// one-second tick calls tick() with the clock's seconds. Every control's
// object name is its identifier ("148" Start, "152" the display).
//
// And the Today's Dollars box.

#ifndef Q_MOC_RUN
#include "worktools/model/daydollars.h"
#include "worktools/model/timers.h"
#endif

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zk {

// What both windows need of the session.
struct TimerWindowHooks {
    std::function<std::int64_t()> now;         // the clock's seconds
    std::string separator = ":";               // the regional time separator
    std::function<void()> switchWindow;        // "&Switch Window": the main window takes the focus
};

class TimerWindow : public QDialog {
    Q_OBJECT
public:
    TimerWindow(const TimerSettings& settings, TimerWindowHooks hooks, QWidget* parent = nullptr);
    void tick();
    const Stopwatch& stopwatch() const { return watch_; }
    // The rate and its unit as the window holds them now.
    TimerSettings settings() const { return settings_; }
    QString elapsedText() const;
    QString costText() const;

signals:
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Escape closes, as the close button does

private:
    void start();
    void pause();
    void reset();
    void show(std::int64_t seconds);
    void readRate();

    TimerSettings settings_;
    TimerWindowHooks hooks_;
    Stopwatch watch_;
    QLineEdit* rate_;
    QRadioButton* perMinute_;
    QRadioButton* perHour_;
    QLabel* elapsed_;
    QLabel* cost_;
};

class CountdownWindow : public QDialog {
    Q_OBJECT
public:
    CountdownWindow(const TimerSettings& settings, TimerWindowHooks hooks, QWidget* parent = nullptr);
    // True when the alarm is due now (once a run).
    bool tick();
    const Countdown& countdown() const { return countdown_; }
    TimerSettings settings() const { return settings_; }
    QString remainingText() const;

signals:
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void start();

    TimerSettings settings_;
    TimerWindowHooks hooks_;
    Countdown countdown_;
    QSpinBox* minutes_;
    QSpinBox* seconds_;
    QLabel* remaining_;
};

class TodaysDollarsBox : public QDialog {
    Q_OBJECT
public:
    TodaysDollarsBox(const DayDollars& dollars, const QString& day, QWidget* parent = nullptr);
};

} // namespace zk
