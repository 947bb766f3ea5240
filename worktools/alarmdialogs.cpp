#include "worktools/alarmdialogs.h"

#include "platform/messages.h"
#include "worktools/dialogparts.h"
#include "worktools/model/alarmsound.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zk {

namespace {

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

std::string utf8Of(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QLineEdit* numberField(int id, int value)
{
    auto* edit = named(new QLineEdit(QString::number(value)), id);
    edit->setMaxLength(2);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    return edit;
}

// Two radio buttons, the second checked when `second`.
QButtonGroup* choice(QWidget* owner, QRadioButton* first, QRadioButton* second, bool secondChecked)
{
    auto* group = new QButtonGroup(owner);
    group->addButton(first, 0);
    group->addButton(second, 1);
    (secondChecked ? second : first)->setChecked(true);
    return group;
}

template <class Layout>
Layout* pair(QWidget* first, QWidget* second)
{
    auto* layout = new Layout;
    layout->addWidget(first);
    layout->addWidget(second);
    return layout;
}

void refuse(QLineEdit* edit)
{
    edit->setFocus();
    edit->selectAll();
}

} // namespace

// --- the alarm dialog -------------------------------------------------------------------------

AlarmSetBox::AlarmSetBox(const AlarmSettings& settings, bool anchored, Messages& messages,
                         std::function<void()> setSound, QWidget* parent)
    : QDialog(parent), messages_(messages), settings_(settings)
{
    setObjectName(QStringLiteral("AlarmSetBox"));
    setWindowTitle(QStringLiteral("Alarm"));
    auto* grid = new QGridLayout;
    minutes_ = numberField(55, settings.minutes);
    hours_ = numberField(63, settings.hours);
    days_ = numberField(60, settings.days);
    auto* before = named(new QRadioButton(QStringLiteral("before")), 56);
    auto* after = named(new QRadioButton(QStringLiteral("after")), 57);
    auto* begin = named(new QRadioButton(QString::fromUtf8(beginReferenceLabel(anchored))), 58);
    auto* end = named(new QRadioButton(QString::fromUtf8(endReferenceLabel(anchored))), 59);
    auto* daysBefore = named(new QRadioButton(QStringLiteral("before")), 61);
    auto* daysAfter = named(new QRadioButton(QStringLiteral("after")), 62);
    sign_ = choice(this, before, after, settings.after);
    reference_ = choice(this, begin, end, settings.fromEnd);
    daysSign_ = choice(this, daysBefore, daysAfter, settings.daysAfter);

    grid->addWidget(minutes_, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("minutes")), 0, 1);
    grid->addWidget(hours_, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("hours")), 1, 1);
    grid->addLayout(pair<QVBoxLayout>(before, after), 0, 2, 2, 1);
    grid->addLayout(pair<QVBoxLayout>(begin, end), 0, 3, 2, 1);
    grid->addWidget(days_, 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("days")), 2, 1);
    grid->addLayout(pair<QHBoxLayout>(daysBefore, daysAfter), 2, 2, 1, 2);

    pager_ = named(new QCheckBox(QStringLiteral("Dial &Pager #:")), 1418);
    pager_->setChecked(settings.dialPager);
    pagerNumber_ = named(new QLineEdit(fromUtf8(settings.pagerNumber)), 1419);
    pagerNumber_->setMaxLength(static_cast<int>(kPagerNumberBytes));
    grid->addWidget(pager_, 3, 0, 1, 2);
    grid->addWidget(pagerNumber_, 3, 2, 1, 2);

    auto* buttons = okCancel(this);
    auto* sound = named(buttons->addButton(QStringLiteral("&Set Sound..."), QDialogButtonBox::ActionRole), 315);
    connect(sound, &QPushButton::clicked, this, [setSound = std::move(setSound)] {
        if (setSound)
            setSound();
    });
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addWidget(buttons);
}

bool AlarmSetBox::readField(AlarmField field, QLineEdit* edit, int& value)
{
    AlarmFieldRead read = readAlarmField(field, utf8Of(edit->text()));
    if (read.value && read.message.empty()) {
        value = *read.value;
        return true;
    }
    // Hours above the limit show the limit, to be confirmed with OK.
    if (read.value)
        edit->setText(QString::number(*read.value));
    messages_.error(read.message);
    refuse(edit);
    return false;
}

void AlarmSetBox::accept()
{
    AlarmSettings s = settings_;
    if (!readField(AlarmField::Minutes, minutes_, s.minutes) || !readField(AlarmField::Hours, hours_, s.hours) ||
        !readField(AlarmField::Days, days_, s.days))
        return;
    s.after = sign_->checkedId() == 1;
    s.fromEnd = reference_->checkedId() == 1;
    s.daysAfter = daysSign_->checkedId() == 1;
    s.dialPager = pager_->isChecked();
    s.pagerNumber = utf8Of(pagerNumber_->text());
    settings_ = s;
    QDialog::accept();
}

// --- the sound list ---------------------------------------------------------------------------

SetAlarmSoundDialog::SetAlarmSoundDialog(const std::string& value, std::function<void(const std::string&)> test,
                                         QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SetAlarmSound"));
    setWindowTitle(QStringLiteral("Set Alarm Sound"));
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("sounds"));
    list_->addItem(QString::fromUtf8(kNoSoundChoice));
    list_->addItem(QString::fromUtf8(kBeepChoice));
    for (const std::filesystem::path& sound : systemSounds(systemSoundFolder()))
        list_->addItem(QString::fromStdString(sound.string()));
    const QString current = fromUtf8(soundChoiceOf(value));
    QList<QListWidgetItem*> found = list_->findItems(current, Qt::MatchExactly);
    if (found.isEmpty())
        addFile(current);
    else
        list_->setCurrentItem(found.front());

    auto* buttons = okCancel(this);
    auto* testButton = buttons->addButton(QStringLiteral("&Test"), QDialogButtonBox::ActionRole);
    testButton->setObjectName(QStringLiteral("test"));
    connect(testButton, &QPushButton::clicked, this, [this, test = std::move(test)] {
        if (test)
            test(this->value());
    });
    auto* other = buttons->addButton(QStringLiteral("&Other File..."), QDialogButtonBox::ActionRole);
    other->setObjectName(QStringLiteral("other"));
    connect(other, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Alarm Sound"), QString(),
                                                          QStringLiteral("Sounds (*.wav *.oga)"));
        if (!file.isEmpty())
            addFile(file);
    });
    auto* column = new QVBoxLayout(this);
    column->addWidget(list_);
    column->addWidget(buttons);
    resize(420, 320);
}

void SetAlarmSoundDialog::addFile(const QString& file)
{
    list_->addItem(file);
    list_->setCurrentRow(list_->count() - 1);
}

std::string SetAlarmSoundDialog::value() const
{
    const QListWidgetItem* item = list_->currentItem();
    return item ? soundValueOf(utf8Of(item->text())) : std::string();
}

// --- the repeat delay ---------------------------------------------------------------------------

RepeatAlarmDialog::RepeatAlarmDialog(int proposal, Messages& messages, QWidget* parent)
    : QDialog(parent), messages_(messages), minutes_(proposal)
{
    setObjectName(QStringLiteral("Snooze"));
    setWindowTitle(QStringLiteral("Repeat Alarm"));
    edit_ = numberField(100, proposal);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Repeat alarm in")));
    row->addWidget(edit_);
    row->addWidget(new QLabel(QStringLiteral("minutes.")));
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(okCancel(this));
    edit_->selectAll();
}

void RepeatAlarmDialog::accept()
{
    bool ok = false;
    const int minutes = edit_->text().trimmed().toInt(&ok);
    if (!ok || minutes < 1 || minutes > 99) {
        messages_.error(kRepeatRangeText);
        refuse(edit_);
        return;
    }
    minutes_ = minutes;
    QDialog::accept();
}

} // namespace zk
