#include "worktools/timerwindows.h"

#include "worktools/dialogparts.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFont>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zk {

namespace {

// The large read-out of a timer, in figures that do not shift as they change.
QLabel* display(int id)
{
    auto* label = named(new QLabel, id);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(font.pointSizeF() * 2);
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameShape(QFrame::StyledPanel);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("000:00:00")) + 12);
    return label;
}

QLineEdit* eventField() { return named(new QLineEdit, 1148); }

QPushButton* switchButton(const TimerWindowHooks& hooks, QWidget* window)
{
    auto* button = named(new QPushButton(QObject::tr("&Switch Window")), 72);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, window, [switchWindow = hooks.switchWindow] {
        if (switchWindow)
            switchWindow();
    });
    return button;
}

void toolWindow(QDialog* window, const char* name, const QString& title)
{
    window->setObjectName(name);
    window->setWindowTitle(title);
    window->setModal(false);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlag(Qt::Tool);
}

} // namespace

// --- the Timer -----------------------------------------------------------------------

TimerWindow::TimerWindow(const TimerSettings& settings, TimerWindowHooks hooks, QWidget* parent)
    : QDialog(parent), settings_(settings), hooks_(std::move(hooks))
{
    toolWindow(this, "TimerBox", tr("Timer"));
    rate_ = named(new QLineEdit(QString::fromStdString(rateText(settings_.rate))), 153);
    perMinute_ = named(new QRadioButton(tr("/ &Min.")), 155);
    perHour_ = named(new QRadioButton(tr("/ &Hr")), 156);
    auto* units = new QButtonGroup(this);
    units->addButton(perMinute_);
    units->addButton(perHour_);
    (settings_.unit == RateUnit::perHour ? perHour_ : perMinute_)->setChecked(true);
    connect(perMinute_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            settings_.unit = RateUnit::perMinute;
    });
    connect(perHour_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            settings_.unit = RateUnit::perHour;
    });
    connect(rate_, &QLineEdit::editingFinished, this, &TimerWindow::readRate);

    elapsed_ = display(152);
    cost_ = display(154);
    auto* startButton = named(new QPushButton(tr("&Start")), 148);
    auto* pauseButton = named(new QPushButton(tr("&Pause")), 149);
    auto* resetButton = named(new QPushButton(tr("R&eset")), 150);
    for (QPushButton* b : {startButton, pauseButton, resetButton})
        b->setAutoDefault(false);
    connect(startButton, &QPushButton::clicked, this, &TimerWindow::start);
    connect(pauseButton, &QPushButton::clicked, this, &TimerWindow::pause);
    connect(resetButton, &QPushButton::clicked, this, &TimerWindow::reset);

    auto* rateRow = new QHBoxLayout;
    auto* rateLabel = new QLabel(tr("&Rate:"));
    rateLabel->setBuddy(rate_);
    rateRow->addWidget(rateLabel);
    rateRow->addWidget(rate_);
    rateRow->addWidget(perMinute_);
    rateRow->addWidget(perHour_);
    auto* readouts = new QGridLayout;
    readouts->addWidget(new QLabel(tr("Elapsed:")), 0, 0);
    readouts->addWidget(elapsed_, 0, 1);
    readouts->addWidget(new QLabel(tr("Cost:")), 1, 0);
    readouts->addWidget(cost_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(startButton);
    buttons->addWidget(pauseButton);
    buttons->addWidget(resetButton);
    auto* form = new QFormLayout;
    form->addRow(tr("E&vent:"), eventField());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(readouts);
    layout->addLayout(rateRow);
    layout->addLayout(buttons);
    layout->addLayout(form);
    layout->addWidget(switchButton(hooks_, this), 0, Qt::AlignRight);

    // It runs as soon as it opens.
    const QString sep = QString::fromStdString(hooks_.separator);
    elapsed_->setText(QStringLiteral("00") + sep + QStringLiteral("00") + sep + QStringLiteral("00"));
    cost_->clear();
    start();
}

QString TimerWindow::elapsedText() const { return elapsed_->text(); }
QString TimerWindow::costText() const { return cost_->text(); }

void TimerWindow::start() { watch_.start(hooks_.now()); }

void TimerWindow::pause() { watch_.pause(); }

void TimerWindow::reset()
{
    watch_.reset();
    if (watch_.state() == TimerState::reset) {
        elapsed_->setText(QStringLiteral("0") + QString::fromStdString(hooks_.separator) + QStringLiteral("00"));
        cost_->setText(QStringLiteral("0.00"));
    } else {
        show(watch_.elapsedSeconds());
    }
}

void TimerWindow::tick()
{
    if (watch_.state() != TimerState::started)
        return;
    watch_.tick(hooks_.now());
    show(watch_.elapsedSeconds());
}

void TimerWindow::show(std::int64_t seconds)
{
    elapsed_->setText(QString::fromStdString(elapsedDisplay(seconds, hooks_.separator)));
    cost_->setText(QString::fromStdString(costDisplay(timerCost(seconds, settings_.rate, settings_.unit))));
}

void TimerWindow::readRate()
{
    settings_.rate = rateOf(rate_->text().toStdString());
    rate_->setText(QString::fromStdString(rateText(settings_.rate)));
}

void TimerWindow::closeEvent(QCloseEvent* event)
{
    readRate();
    emit closing();
    QDialog::closeEvent(event);
}

void TimerWindow::reject() { close(); }

// --- the Countdown Timer --------------------------------------------------------------

CountdownWindow::CountdownWindow(const TimerSettings& settings, TimerWindowHooks hooks, QWidget* parent)
    : QDialog(parent), settings_(settings), hooks_(std::move(hooks))
{
    toolWindow(this, "CountDownTimer", tr("Countdown Timer"));
    minutes_ = named(new QSpinBox, 55);
    minutes_->setRange(0, 9999);
    minutes_->setValue(settings_.countdownMinutes);
    seconds_ = named(new QSpinBox, 56);
    seconds_->setRange(0, 59);
    seconds_->setValue(std::clamp(settings_.countdownSeconds, 0, 59));
    connect(minutes_, &QSpinBox::valueChanged, this, [this](int v) {
        settings_.countdownMinutes = v;
    });
    connect(seconds_, &QSpinBox::valueChanged, this, [this](int v) {
        settings_.countdownSeconds = v;
    });
    remaining_ = display(152);
    remaining_->setText(QString::fromStdString(
        countdownDisplay(static_cast<std::int64_t>(settings_.countdownMinutes) * 60 + settings_.countdownSeconds,
                         hooks_.separator)));
    auto* startButton = named(new QPushButton(tr("&Start")), 148);
    auto* stopButton = named(new QPushButton(tr("Sto&p")), 149);
    for (QPushButton* b : {startButton, stopButton})
        b->setAutoDefault(false);
    connect(startButton, &QPushButton::clicked, this, &CountdownWindow::start);
    connect(stopButton, &QPushButton::clicked, this, [this] { countdown_.stop(); });

    auto* form = new QFormLayout;
    form->addRow(tr("&Mins.:"), minutes_);
    form->addRow(tr("S&ecs.:"), seconds_);
    form->addRow(tr("Remaining:"), remaining_);
    form->addRow(tr("E&vent:"), eventField());
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(startButton);
    buttons->addWidget(stopButton);
    buttons->addStretch();
    buttons->addWidget(switchButton(hooks_, this));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

QString CountdownWindow::remainingText() const { return remaining_->text(); }

void CountdownWindow::start()
{
    countdown_.start(hooks_.now(), settings_.countdownMinutes, settings_.countdownSeconds);
    remaining_->setText(QString::fromStdString(countdownDisplay(countdown_.remainingSeconds(), hooks_.separator)));
}

bool CountdownWindow::tick()
{
    if (!countdown_.running())
        return false;
    const bool ring = countdown_.tick(hooks_.now());
    remaining_->setText(QString::fromStdString(countdownDisplay(countdown_.remainingSeconds(), hooks_.separator)));
    return ring;
}

void CountdownWindow::closeEvent(QCloseEvent* event)
{
    countdown_.stop();
    emit closing();
    QDialog::closeEvent(event);
}

void CountdownWindow::reject() { close(); }

// --- Today's Dollars ----------------------------------------------------------------------

TodaysDollarsBox::TodaysDollarsBox(const DayDollars& dollars, const QString& day, QWidget* parent) : QDialog(parent)
{
    setObjectName("TodaysDollars");
    setWindowTitle(tr("Today's Dollars"));
    auto money = [](float amount) {
        auto* label = new QLabel(QString::fromStdString(dollarText(amount)));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };
    auto* form = new QFormLayout;
    form->addRow(new QLabel(day));
    form->addRow(tr("Items with a value:"), new QLabel(QString::number(dollars.items)));
    form->addRow(tr("Earned (done):"), money(dollars.earned));
    form->addRow(tr("Still to earn:"), money(dollars.toEarn));
    auto* total = money(dollars.total());
    QFont bold = total->font();
    bold.setBold(true);
    total->setFont(bold);
    form->addRow(tr("Today's total:"), total);
    form->addRow(tr("An hour of your time:"), money(static_cast<float>(dollars.hourlyWorth)));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

} // namespace zk
