#pragma once

// Small builders for the controls of the profile editor and its dialogs, so that every control
// gets the same treatment: its resource number as object name, an accessible name equal to its
// visible label (without "&" and a trailing colon), and a label that is its buddy, so the
// label's mnemonic moves the focus to it. Edits hold text of any length.

#include <QtCore/QString>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace linkvane {

// "&Timeout (Secs.):" -> "Timeout (Secs.)".
QString AccessibleText(const QString& label);

QLineEdit* MakeEdit(int id, const QString& accessibleLabel);
QCheckBox* MakeCheck(int id, const QString& text);
QPushButton* MakeButton(int id, const QString& text, QWidget* parent = nullptr);
QGroupBox* MakeGroup(const QString& title);
// A label bound to field; field's accessible name becomes the label's text.
QLabel* MakeLabel(const QString& text, QWidget* field);

// Puts "label | field" into row of grid, starting at column.
void AddLabelledRow(QGridLayout* grid, int row, const QString& label, QWidget* field,
                    int column = 0);

// The number a line edit shows for an integer field.
void SetNumberText(QLineEdit* edit, long long value);

}  // namespace linkvane
