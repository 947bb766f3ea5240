#include "views/dropcalendar.h"

#include "core/dateformat.h"
#include "views/calendargrid.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

namespace zk {

namespace {

QPointer<DropCalendar>& openCalendar()
{
    static QPointer<DropCalendar> calendar;
    return calendar;
}

// Opens the field's calendar on F4 or Alt+Down.
class DropCalendarOpener : public QObject {
public:
    DropCalendarOpener(QLineEdit& field, DropCalendarSource source)
        : QObject(&field), field_(field), source_(std::move(source))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &field_ && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_F4 || (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier))) {
                DropCalendar::open(field_, source_);
                return true;
            }
        }
        return false;
    }

private:
    QLineEdit& field_;
    DropCalendarSource source_;
};

} // namespace

DropCalendar* DropCalendar::open(QLineEdit& field, const DropCalendarSource& source)
{
    if (DropCalendar* old = openCalendar())
        old->deleteLater();
    auto* calendar = new DropCalendar(field, source);
    openCalendar() = calendar;
    calendar->show();
    calendar->activateWindow();
    calendar->grid_->setFocus();
    return calendar;
}

DropCalendar* DropCalendar::current() { return openCalendar(); }

DropCalendar::DropCalendar(QLineEdit& field, const DropCalendarSource& source)
    : QWidget(field.window(), Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), field_(field),
      regional_(source.regional), grid_(new CalendarGrid(this))
{
    setObjectName(QStringLiteral("ZK_DropCal"));
    setWindowTitle(QStringLiteral("Calendar"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
    grid_->setRegional(source.regional, source.weekStartsMonday);
    const DayNumber shown = source.shownDay ? source.shownDay() : kNoDay;
    grid_->setMonth(shown.isUsable() ? shown : kFirstUsableDay);
    grid_->setViewed(shown);
    connect(grid_, &CalendarGrid::dayChosen, this, &DropCalendar::choose);
    connect(grid_, &CalendarGrid::otherKey, this, [this](int key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Escape)
            close();
    });
    connect(grid_, &CalendarGrid::todayRequested, this, [this, source] {
        if (source.shownDay)
            grid_->setMonth(source.shownDay());
    });

    // Square, under the field, or ending at its top when the screen's
    // bottom is in the way.
    const int side = std::max(grid_->minimumWidth(), field.width() * 14 / 6);
    const QPoint below = field.mapToGlobal(QPoint(0, field.height()));
    QPoint at = below;
    if (const QScreen* screen = field.screen())
        if (below.y() + side > screen->availableGeometry().bottom())
            at = field.mapToGlobal(QPoint(0, 0)) - QPoint(0, side);
    setGeometry(at.x(), at.y(), side, side);
}

void DropCalendar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void DropCalendar::choose(DayNumber day)
{
    field_.setText(QString::fromStdString(shortDate(day, regional_)));
    field_.setFocus();
    field_.window()->activateWindow();
    close();
}

void attachDropCalendar(QLineEdit& field, DropCalendarSource source)
{
    field.installEventFilter(new DropCalendarOpener(field, std::move(source)));
}

} // namespace zk
