#include "worktools/dialdialogs.h"

#include "core/text.h"
#include "platform/messages.h"
#include "worktools/dialogparts.h"
#include "worktools/model/timezones.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zk {

namespace {

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }
std::string utf8Of(const QString& text) { return text.toUtf8().toStdString(); }

template <class W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit* prefixField(QFormLayout* form, const char* name, const QString& label, const std::string& value,
                       std::size_t maxBytes)
{
    auto* edit = named(new QLineEdit(fromUtf8(value)), name);
    edit->setMaxLength(static_cast<int>(maxBytes));
    form->addRow(label, edit);
    return edit;
}

// A field's text cut to the setting's length on a character boundary.
std::string fieldText(const QLineEdit* edit, std::size_t maxBytes)
{
    const std::string text = utf8Of(edit->text());
    return std::string(trimBlanks(utf8Prefix(text, maxBytes)));
}

} // namespace

// --- AutoDial ---------------------------------------------------------------------------------

AutoDialDialog::AutoDialDialog(const AutoDialValues& values, std::function<std::string(int)> areaLine,
                               QWidget* parent)
    : QDialog(parent), areaLine_(std::move(areaLine))
{
    setWindowTitle(QStringLiteral("AutoDial"));
    auto* form = new QFormLayout;
    number_ = named(new QLineEdit(fromUtf8(values.number)), "number");
    number_->setMaxLength(static_cast<int>(kMaxDialNumberBytes));
    number_->setMinimumWidth(number_->fontMetrics().averageCharWidth() * 32);
    form->addRow(QStringLiteral("&Number:"), number_);
    area_ = named(new QLabel, "areaLine");
    area_->setMinimumHeight(area_->fontMetrics().height());
    form->addRow(QString(), area_);
    outside_ = prefixField(form, "outside", QStringLiteral("&Outside Line:"), values.prefixes.outside,
                           kMaxOutsidePrefixBytes);
    distance_ = prefixField(form, "distance", QStringLiteral("Long Di&stance:"), values.prefixes.distance,
                            kMaxDistancePrefixBytes);
    localAreaCode_ = prefixField(form, "localAreaCode", QStringLiteral("&Area Code Skip:"),
                                 values.prefixes.localAreaCode, kMaxLocalAreaCodeBytes);
    international_ = prefixField(form, "international", QStringLiteral("In&ternational:"),
                                 values.prefixes.international, kMaxInternationalPrefixBytes);
    demonDial_ = named(new QCheckBox(QStringLiteral("Demon Dial")), "demonDial");
    demonDial_->setChecked(values.demonDial);
    demonDial_->setToolTip(QStringLiteral("Dial the last number again every minute until this is cleared."));
    form->addRow(QString(), demonDial_);

    auto* calls = new QHBoxLayout;
    const std::pair<const char*, CallKind> kinds[] = {
        {"&Local", CallKind::Local}, {"&Distance", CallKind::Distance}, {"&Int'l", CallKind::International}};
    for (const auto& [caption, kind] : kinds) {
        auto* button = new QPushButton(QString::fromUtf8(caption));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, kind] {
            call_ = kind;
            QDialog::accept();
        });
        calls->addWidget(button);
    }
    auto* buttons = okCancel(this);

    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addLayout(calls);
    column->addWidget(buttons);
    connect(number_, &QLineEdit::textChanged, this, &AutoDialDialog::numberChanged);
    numberChanged();
}

void AutoDialDialog::numberChanged()
{
    const std::optional<int> code = areaCodeOf(utf8Of(number_->text()));
    if (code == shownCode_)
        return;
    shownCode_ = code;
    area_->setText(code ? fromUtf8(areaLine_(*code)) : QString());
}

AutoDialValues AutoDialDialog::values() const
{
    AutoDialValues values;
    values.number = fieldText(number_, kMaxDialNumberBytes);
    values.prefixes.outside = fieldText(outside_, kMaxOutsidePrefixBytes);
    values.prefixes.distance = fieldText(distance_, kMaxDistancePrefixBytes);
    values.prefixes.localAreaCode = fieldText(localAreaCode_, kMaxLocalAreaCodeBytes);
    values.prefixes.international = fieldText(international_, kMaxInternationalPrefixBytes);
    values.demonDial = demonDial_->isChecked();
    return values;
}

// --- Area Codes -------------------------------------------------------------------------------

AreaCodesDialog::AreaCodesDialog(const std::vector<AreaCode>& codes, Messages& messages, QWidget* parent)
    : QDialog(parent), messages_(messages), codes_(codes)
{
    setWindowTitle(QStringLiteral("Area Codes"));
    table_ = named(new QTableWidget(0, 3), "codes");
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Area code"), QStringLiteral("Hours west of UTC"), QStringLiteral("Place")});
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->setVisible(false);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (const AreaCode& area : codes)
        addRow(area);
    table_->resizeColumnsToContents();
    table_->setMinimumSize(520, 280);

    auto* add = named(new QPushButton(QStringLiteral("&Add")), "add");
    auto* remove = named(new QPushButton(QStringLiteral("&Remove")), "remove");
    add->setAutoDefault(false);
    remove->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, [this] {
        addRow({});
        table_->setCurrentCell(table_->rowCount() - 1, 0);
        table_->editItem(table_->item(table_->rowCount() - 1, 0));
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (table_->currentRow() >= 0)
            table_->removeRow(table_->currentRow());
    });
    auto* side = new QVBoxLayout;
    side->addWidget(add);
    side->addWidget(remove);
    side->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(table_);
    row->addLayout(side);

    auto* note = new QLabel(QStringLiteral("The place's offset is written as hours and minutes west of universal "
                                           "time: 5:00 for New York's standard time, -1:00 for Paris."));
    note->setWordWrap(true);
    auto* buttons = okCancel(this);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(note);
    column->addWidget(buttons);
}

void AreaCodesDialog::addRow(const AreaCode& area)
{
    const int row = table_->rowCount();
    table_->insertRow(row);
    const bool blank = area == AreaCode{};
    table_->setItem(row, 0, new QTableWidgetItem(blank ? QString() : QString::number(area.code)));
    table_->setItem(row, 1, new QTableWidgetItem(blank ? QString() : fromUtf8(offsetText(area.minutesWest))));
    table_->setItem(row, 2, new QTableWidgetItem(fromUtf8(area.place)));
}

// Every row is read before anything is kept: a row that does not read is
// shown, with the table left as it was.
void AreaCodesDialog::accept()
{
    std::vector<AreaCode> codes;
    for (int row = 0; row < table_->rowCount(); ++row) {
        auto text = [&](int column) {
            const QTableWidgetItem* item = table_->item(row, column);
            return item ? utf8Of(item->text()) : std::string();
        };
        const std::string code(trimBlanks(text(0))), offset(trimBlanks(text(1))), place(trimBlanks(text(2)));
        if (code.empty() && offset.empty() && place.empty())
            continue;
        const bool codeReads = !code.empty() && code.size() <= 6 &&
                               code.find_first_not_of("0123456789") == std::string::npos;
        const std::optional<int> west = parseOffset(offset);
        if (!codeReads || !west) {
            table_->setCurrentCell(row, codeReads ? 1 : 0);
            messages_.error(codeReads ? "The offset of area code " + code +
                                            " is not hours and minutes west of universal time (such as 8:00)."
                                      : "An area code is a number of at most 6 digits: \"" + code + "\" is not.");
            return;
        }
        codes.push_back({std::stoi(code), *west, std::string(utf8Prefix(place, kMaxAreaCodePlaceBytes))});
    }
    std::stable_sort(codes.begin(), codes.end(), [](const AreaCode& a, const AreaCode& b) { return a.code < b.code; });
    codes_ = std::move(codes);
    QDialog::accept();
}

} // namespace zk
