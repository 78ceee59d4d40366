#include "app/profiles/form_controls.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include <limits>

namespace linkvane {

QString AccessibleText(const QString& label) {
    QString text = label;
    text.remove(QLatin1Char('&'));
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

QLineEdit* MakeEdit(int id, const QString& accessibleLabel) {
    auto* edit = new QLineEdit;
    // A line edit cuts its text at 32767 characters unless told otherwise; stored values
    // may be longer, and are kept whole.
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setObjectName(QString::number(id));
    edit->setAccessibleName(AccessibleText(accessibleLabel));
    return edit;
}

QCheckBox* MakeCheck(int id, const QString& text) {
    auto* box = new QCheckBox(text);
    box->setObjectName(QString::number(id));
    box->setAccessibleName(AccessibleText(text));
    return box;
}

QPushButton* MakeButton(int id, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::number(id));
    button->setAccessibleName(AccessibleText(text));
    button->setAutoDefault(false);
    return button;
}

QGroupBox* MakeGroup(const QString& title) {
    auto* group = new QGroupBox(title);
    group->setAccessibleName(AccessibleText(title));
    return group;
}

QLabel* MakeLabel(const QString& text, QWidget* field) {
    auto* label = new QLabel(text);
    label->setBuddy(field);
    field->setAccessibleName(AccessibleText(text));
    return label;
}

void AddLabelledRow(QGridLayout* grid, int row, const QString& label, QWidget* field, int column) {
    grid->addWidget(MakeLabel(label, field), row, column);
    grid->addWidget(field, row, column + 1);
}

void SetNumberText(QLineEdit* edit, long long value) {
    edit->setText(QString::number(value));
}

}  // namespace linkvane
