#pragma once

// CNewMailDlg: the "New Email Messages" notice: one text set by the caller, and OK. The
// close box and Escape end it like Cancel. 160 x 68 dialog units. GUI thread only.

#include <QtWidgets/QDialog>

class QLabel;

namespace linkvane {

class CNewMailDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CNewMailDlg(QWidget* parent = nullptr);
    ~CNewMailDlg() override;

    // The notice's text, shown as given (two or three lines fit).
    void SetText(const QString& text);
    QString Text() const;

  private:
    QLabel* m_text;
};

}  // namespace linkvane
