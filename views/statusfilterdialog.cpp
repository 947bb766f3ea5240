#include "views/statusfilterdialog.h"

#include "core/schedule.h"
#include "views/statusdisplay.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace zk {

namespace {

constexpr int kFirstStatusBox = 284;  // resource id of status 0's box; status i is + i
constexpr std::uint16_t kStatusBits = (1u << kStatusCount) - 1;

} // namespace

StatusFilterDialog::StatusFilterDialog(const StatusTable& table, Host host, QWidget* parent)
    : QDialog(parent), host_(std::move(host))
{
    setObjectName(QStringLiteral("StatusFilter"));
    setWindowTitle(QStringLiteral("Status Filter"));
    if (Schedule* schedule = host_.schedule ? host_.schedule() : nullptr)
        openingMask_ = statusHideMask(schedule->header);

    auto* layout = new QVBoxLayout(this);
    for (int index = 0; index < kStatusCount; ++index) {
        auto* box = new QCheckBox(statusCaption(table, index));
        box->setObjectName(QStringLiteral("status%1").arg(kFirstStatusBox + index));
        box->setChecked((openingMask_ & (1u << index)) == 0);
        boxes_[index] = box;
        layout->addWidget(box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::uint16_t StatusFilterDialog::chosenMask() const
{
    std::uint16_t mask = openingMask_ & ~kStatusBits;
    for (int index = 0; index < kStatusCount; ++index)
        if (!boxes_[index]->isChecked())
            mask |= static_cast<std::uint16_t>(1u << index);
    return mask;
}

void StatusFilterDialog::accept()
{
    const std::uint16_t mask = chosenMask();
    if (mask != openingMask_) {
        const bool held = host_.requestChangeAccess && host_.requestChangeAccess();
        if (Schedule* schedule = host_.schedule ? host_.schedule() : nullptr) {
            setStatusHideMask(schedule->header, mask);
            if (held)
                schedule->dirty = true;
            emit filterChanged();
        }
    }
    QDialog::accept();
}

} // namespace zk
