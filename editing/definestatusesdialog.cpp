#include "editing/definestatusesdialog.h"

#include "core/text.h"
#include "views/statusdisplay.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zk {

namespace {

// Resource ids of the controls of status 0; status i is the id plus i.
constexpr int kFirstLabelEdit = 284;
constexpr int kFirstSample = 292;
constexpr int kFirstTextButton = 306;
constexpr int kFirstCellButton = 1454;

QString controlName(int id) { return QStringLiteral("status%1").arg(id); }

// Keeps an edit within the stored label's 11 bytes, cutting on a character
// boundary, so what the user sees is what is saved.
void limitToLabelBytes(QLineEdit* edit)
{
    const QByteArray utf8 = edit->text().toUtf8();
    if (static_cast<std::size_t>(utf8.size()) <= kMaxStatusLabelBytes)
        return;
    const std::string_view kept = utf8Prefix(std::string_view(utf8.constData(), utf8.size()), kMaxStatusLabelBytes);
    const int cursor = edit->cursorPosition();
    edit->setText(QString::fromUtf8(kept.data(), static_cast<qsizetype>(kept.size())));
    edit->setCursorPosition(std::min(cursor, static_cast<int>(edit->text().size())));
}

} // namespace

DefineStatusesDialog::DefineStatusesDialog(StatusTable& table, Settings& settings, SaveTable save, QWidget* parent)
    : QDialog(parent), table_(table), settings_(settings), save_(std::move(save)), working_(table)
{
    setObjectName(QStringLiteral("DefineBox"));
    setWindowTitle(QStringLiteral("Define Statuses"));

    auto* group = new QGroupBox(QStringLiteral("Status Colors"));
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    for (int index = 0; index < kStatusCount; ++index)
        addRow(grid, index);
    grid->setColumnStretch(1, 1);

    auto* note = new QLabel(QStringLiteral("Cell colors affect only the Month View"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

void DefineStatusesDialog::addRow(QGridLayout* grid, int index)
{
    Row& row = rows_[index];
    row.label = new QLineEdit(QString::fromStdString(working_.label(index)));
    row.label->setObjectName(controlName(kFirstLabelEdit + index));
    row.label->setMaxLength(static_cast<int>(kMaxStatusLabelBytes));
    // Wide enough for eleven of the widest letters.
    row.label->setMinimumWidth(row.label->fontMetrics().horizontalAdvance(QString(12, QLatin1Char('W'))));
    connect(row.label, &QLineEdit::textChanged, this, [edit = row.label] { limitToLabelBytes(edit); });

    row.sample = new QLabel(QStringLiteral("Color Sample Text"));
    row.sample->setObjectName(controlName(kFirstSample + index));
    row.sample->setAutoFillBackground(true);
    row.sample->setFrameShape(QFrame::StyledPanel);
    row.sample->setMargin(2);
    row.sample->setAlignment(Qt::AlignCenter);

    row.text = new QPushButton(QStringLiteral("Text"));
    row.text->setObjectName(controlName(kFirstTextButton + index));
    row.text->setAutoDefault(false);
    connect(row.text, &QPushButton::clicked, this, [this, index] { chooseColor(index, ColorPart::Text); });

    row.cell = new QPushButton(QStringLiteral("Cell"));
    row.cell->setObjectName(controlName(kFirstCellButton + index));
    row.cell->setAutoDefault(false);
    connect(row.cell, &QPushButton::clicked, this, [this, index] { chooseColor(index, ColorPart::Cell); });

    grid->addWidget(row.label, index, 0);
    grid->addWidget(row.sample, index, 1);
    grid->addWidget(row.text, index, 2);
    grid->addWidget(row.cell, index, 3);
    paintSample(index);
}

std::uint32_t DefineStatusesDialog::shownCellColor(int index) const
{
    return working_.hasCellColor(index) ? working_.cellColor(index)
                                        : static_cast<std::uint32_t>(settings_.color(ColorSetting::ColorNormalBackground));
}

void DefineStatusesDialog::paintSample(int index)
{
    const std::uint32_t background = shownCellColor(index);
    QPalette palette = rows_[index].sample->palette();
    palette.setColor(QPalette::WindowText, qColorOf(working_.textColor(index)));
    palette.setColor(QPalette::Window, qColorOf(background));
    rows_[index].sample->setPalette(palette);
}

void DefineStatusesDialog::chooseColor(int index, ColorPart part)
{
    const bool text = part == ColorPart::Text;
    const std::uint32_t current = text ? working_.textColor(index) : shownCellColor(index);
    QColorDialog chooser(this);
    chooser.setObjectName(QStringLiteral("colorChooser"));
    chooser.setOption(QColorDialog::DontUseNativeDialog);
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, Qt::white);
    chooser.setCurrentColor(qColorOf(current));
    if (chooser.exec() != QDialog::Accepted)
        return;
    const std::uint32_t chosen = colorRefOfQColor(chooser.selectedColor());
    if (text)
        working_.setTextColor(index, chosen);
    else
        working_.setCellColor(index, chosen);
    paintSample(index);
}

void DefineStatusesDialog::accept()
{
    StatusTable result = working_;
    for (int index = 0; index < kStatusCount; ++index)
        result.setLabel(index, rows_[index].label->text().toStdString());
    if (save_ && !save_(result))
        return;  // told already; the user may try again or cancel
    if (result.textColor(kNormalStatus) != table_.textColor(kNormalStatus))
        settings_.setColor(ColorSetting::ColorNormalText, static_cast<long>(result.textColor(kNormalStatus)));
    table_ = result;
    emit statusesChanged();
    QDialog::accept();
}

} // namespace zk
