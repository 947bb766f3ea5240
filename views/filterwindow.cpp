#include "views/filterwindow.h"

#include "core/dateformat.h"
#include "core/dateparse.h"
#include "core/regional.h"
#include "core/text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

namespace zk {

namespace {

const QString kNoProjectText = QStringLiteral("none");
constexpr int kLongestMinimum = 1440;
constexpr int kMinimumStep = 5;
constexpr int kCaseDigits = 9;

// A duration in the form the item dialog shows ("1:30"), stepped by the
// arrows and typed in any duration form.
class DurationSpin : public QSpinBox {
public:
    DurationSpin(const RegionalSettings& regional, QWidget* parent) : QSpinBox(parent), regional_(regional)
    {
        setRange(1, kLongestMinimum);
        setSingleStep(kMinimumStep);
    }

protected:
    QString textFromValue(int value) const override
    {
        return QString::fromStdString(durationText(value, regional_));
    }
    int valueFromText(const QString& text) const override
    {
        return parseDurationEntry(text.toStdString()).value_or(value());
    }
    QValidator::State validate(QString& text, int&) const override
    {
        if (text.isEmpty())
            return QValidator::Intermediate;
        std::optional<int> minutes = parseDurationEntry(text.toStdString());
        return minutes && *minutes >= minimum() && *minutes <= maximum() ? QValidator::Acceptable
                                                                         : QValidator::Intermediate;
    }

private:
    RegionalSettings regional_;
};

} // namespace

FilterWindow::FilterWindow(Settings& settings, FilterSwitches& switches, std::vector<FilterProject> projects,
                           std::uint32_t project, const RegionalSettings& regional, QWidget* parent)
    : QDialog(parent), settings_(settings), switches_(switches)
{
    setObjectName(QStringLiteral("Filter"));
    setWindowTitle(QStringLiteral("Filter"));
    setModal(false);

    readyNow_ = new QCheckBox(QStringLiteral("&Ready Now"));
    minimum_ = new QCheckBox(QStringLiteral("&Minimum Duration:"));
    minimumLength_ = new DurationSpin(regional, this);
    projectOn_ = new QCheckBox(QStringLiteral("&Project:"));
    project_ = new QComboBox;
    statusOn_ = new QCheckBox(QStringLiteral("&Status:"));
    statusSelections_ = new QPushButton(QStringLiteral("Status Selections"));
    textOn_ = new QCheckBox(QStringLiteral("&Text:"));
    text_ = new QLineEdit;
    routine_ = new QCheckBox(QStringLiteral("&Non-routine"));
    caseOn_ = new QCheckBox(QStringLiteral("Case #:"));
    case_ = new QLineEdit;
    exit_ = new QPushButton(QStringLiteral("E&xit"));

    // What the window opens with: the current switches and values.
    readyNow_->setChecked(settings_.isOn(IntSetting::PresentFilter));
    minimum_->setChecked(settings_.isOn(IntSetting::MinLenFilter));
    minimumLength_->setValue(std::clamp(settings_.value(IntSetting::MinLenFilterLen), 1, kLongestMinimum));
    projectOn_->setChecked(settings_.isOn(IntSetting::ProjectFilter));
    project_->addItem(kNoProjectText, QVariant::fromValue<quint32>(0));
    for (const FilterProject& p : projects)
        project_->addItem(p.title, QVariant::fromValue<quint32>(p.id));
    project_->setCurrentIndex(std::max(0, project_->findData(QVariant::fromValue<quint32>(project))));
    statusOn_->setChecked(settings_.isOn(IntSetting::StatusFilter));
    textOn_->setChecked(switches_.textOn);
    text_->setMaxLength(static_cast<int>(kMaxFilterTextBytes));
    text_->setText(QString::fromStdString(settings_.text(TextSetting::TextFilter)));
    routine_->setChecked(settings_.isOn(IntSetting::RoutineFilter));
    caseOn_->setChecked(switches_.caseOn);
    case_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(kCaseDigits)), case_));
    case_->setText(QString::number(settings_.value(IntSetting::CaseFilter)));

    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(readyNow_, row++, 0, 1, 2);
    grid->addWidget(minimum_, row, 0);
    grid->addWidget(minimumLength_, row++, 1);
    grid->addWidget(projectOn_, row, 0);
    grid->addWidget(project_, row++, 1);
    grid->addWidget(statusOn_, row, 0);
    grid->addWidget(statusSelections_, row++, 1);
    grid->addWidget(textOn_, row, 0);
    grid->addWidget(text_, row++, 1);
    grid->addWidget(routine_, row++, 0, 1, 2);
    grid->addWidget(caseOn_, row, 0);
    grid->addWidget(case_, row++, 1);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(exit_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    project_->setMinimumContentsLength(20);

    connectSwitch(readyNow_, IntSetting::PresentFilter);
    connectSwitch(minimum_, IntSetting::MinLenFilter);
    connectSwitch(projectOn_, IntSetting::ProjectFilter);
    connectSwitch(statusOn_, IntSetting::StatusFilter);
    connectSwitch(routine_, IntSetting::RoutineFilter);
    connect(minimumLength_, &QSpinBox::valueChanged, this, [this](int minutes) {
        settings_.setValue(IntSetting::MinLenFilterLen, minutes);
        emit changed();
    });
    connect(project_, &QComboBox::currentIndexChanged, this, [this](int index) {
        emit projectChosen(project_->itemData(index).value<quint32>());
        emit changed();
    });
    connect(statusSelections_, &QPushButton::clicked, this, &FilterWindow::statusSelectionsRequested);
    connect(textOn_, &QCheckBox::toggled, this, [this](bool on) {
        switches_.textOn = on;
        emit changed();
    });
    connect(text_, &QLineEdit::textChanged, this, &FilterWindow::storeText);
    connect(text_, &QLineEdit::editingFinished, this, &FilterWindow::storeText);
    connect(caseOn_, &QCheckBox::toggled, this, [this](bool on) {
        switches_.caseOn = on;
        emit changed();
    });
    connect(case_, &QLineEdit::textChanged, this, &FilterWindow::storeCase);
    connect(exit_, &QPushButton::clicked, this, &QDialog::close);
}

void FilterWindow::connectSwitch(QCheckBox* box, IntSetting setting)
{
    connect(box, &QCheckBox::toggled, this, [this, setting](bool on) {
        settings_.setOn(setting, on);
        emit changed();
    });
}

// The field allows 40 characters; the setting keeps 40 bytes, cut on a
// character boundary.
void FilterWindow::storeText()
{
    const std::string text(utf8Prefix(text_->text().toStdString(), kMaxFilterTextBytes));
    if (text == settings_.text(TextSetting::TextFilter))
        return;
    settings_.setText(TextSetting::TextFilter, text);
    emit changed();
}

void FilterWindow::storeCase()
{
    const int caseNo = case_->text().toInt();
    if (caseNo == settings_.value(IntSetting::CaseFilter))
        return;
    settings_.setValue(IntSetting::CaseFilter, caseNo);
    emit changed();
}

} // namespace zk
